// Demo of the containers: a chain of ids kept in order, searched, serialized and thinned out;
// a heap of strings named by handles, with its free list merging as items go.
#include "Demo.h"

#include "tuContainers.h"

#include <vector>

namespace {

int __cdecl CompareIds(const void* key, const void* item) {
    const UINT k = *static_cast<const UINT*>(key), v = *static_cast<const UINT*>(item);
    return k < v ? -1 : k > v ? 1 : 0;
}

int __cdecl PrintId(void* item, UINT index, void*) {
    std::printf("%s%u:%u", index == 1 ? "" : "  ", index, *static_cast<UINT*>(item));
    return 1;
}

// Removes odd ids: the visit deletes the item it was handed and returns 0, so the item that
// moves into its place is visited next.
int __cdecl RemoveOdd(void* item, UINT index, void* user) {
    auto* chain = static_cast<tagCHAIN*>(user);
    if (*static_cast<UINT*>(item) % 2 == 0)
        return 1;
    NthOfChain(index, chain);
    DeleteInChain(chain);
    return 0;
}

void PrintChain(const char* label, tagCHAIN* chain) {
    std::printf("%-24s", label);
    DoChain(chain, PrintId, nullptr);
    std::printf("   (cursor on %u)\n", IndexOfChain(chain));
}

void PrintFreeList(const char* label, tagHEAPMG* heap) {
    std::printf("%-24sblock %u bytes, free:", label, heap->nHeapSize);
    FREEBLOCK range;
    for (UINT n = 1; ContentOfNthOfChain(n, &heap->freeList, &range); ++n)
        std::printf(" (%u, %u)", range.nOffset, range.nSize);
    std::printf("\n");
}

void ShowChain() {
    tagCHAIN ids;
    InitChain(&ids, sizeof(UINT), 0, 4, 4);
    for (UINT id : {13042u, 13007u, 13100u, 13001u, 13020u, 13042u}) {
        const int r = InsertInSortedChain(&id, &ids, CompareIds, 1, nullptr);
        std::printf("InsertInSortedChain %u -> %d%s\n", id, r, r == 3 ? " (already there)" : "");
    }
    PrintChain("sorted, unique:", &ids);
    const UINT key = 13050;
    std::printf("SearchInChain %u -> %d: belongs before item %u\n", key,
                SearchInChain(&key, &ids, CompareIds), IndexOfChain(&ids));

    unsigned char buffer[64];
    UINT size = 0, used = 0;
    tagCHAIN copy;
    Chain2Buffer(&ids, &size, buffer, sizeof buffer);
    Buffer2Chain(buffer, size, &copy, &used);
    std::printf("serialized into %u bytes, read back from %u:\n", size, used);
    PrintChain("  read back:", &copy);
    DoChainSpecial(&copy, RemoveOdd, &copy);
    PrintChain("  odd ids removed:", &copy);
    DeleteChain(&copy);
    DeleteChain(&ids);
}

void ShowHeap() {
    tagHEAPMG heap;
    HeapMgInit(&heap, 0, 64, 64);
    std::vector<UINT> handles;
    for (const wchar_t* text : {L"registry", L"listener", L"shadow", L"settings"}) {
        UINT handle = 0;
        HeapMgInsertStr(text, &heap, &handle);
        handles.push_back(handle);
        std::printf("HeapMgInsertStr \"%ls\" -> handle %u\n", text, handle);
    }
    PrintFreeList("after four strings:", &heap);
    HeapMgDeleteStr(&heap, handles[1]);
    PrintFreeList("\"listener\" deleted:", &heap);
    HeapMgDeleteStr(&heap, handles[2]);
    PrintFreeList("\"shadow\" deleted:", &heap);
    UINT big = 0;
    HeapMgInsertItem(nullptr, 100, &heap, &big);
    std::printf("a 100-byte item grows the block and gets handle %u\n", big);
    PrintFreeList("after the growth:", &heap);
    std::printf("handle %u still reads \"%ls\"\n", handles[3], HeapMgStrPtr(&heap, handles[3]));
    HeapMgDelete(&heap);
}

} // namespace

void ShowContainers() {
    DemoSection("Containers: a chain of ids and a heap of strings");
    ShowChain();
    ShowHeap();
}
