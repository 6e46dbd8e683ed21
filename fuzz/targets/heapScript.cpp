// The heap manager under a script of insertions, deletions, copies and resets decoded from the
// input, against a model that keeps one flag per byte of the block: every handle is the first
// free run that fits (after growth when none does), every result and block size agrees, and
// every live item keeps its bytes.
#include "FuzzSupport.h"

#include "tuContainers.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kMaxSize = 57344;
constexpr int kMaxSteps = 64;

struct Item {
    UINT handle;
    std::string bytes;
    bool isString;
};

// The block as flags (true = taken); offset 0 and 1 are taken from the start.
class Model {
public:
    Model(UINT initSize, UINT growBy) : m_initSize(initSize), m_growBy(growBy) {}

    // The handle an insertion of `size` bytes gets, 0 with false when it fails.
    bool Insert(UINT size, UINT& handle) {
        if (size > kMaxSize)
            return false;
        if (size == 0) {
            handle = 0;
            return true;
        }
        if (m_taken.empty()) {
            m_taken.assign(std::max(size + 2, m_initSize), false);
            m_taken[0] = m_taken[1] = true;
        }
        if (FirstFit(size, handle))
            return true;
        const size_t grown = std::min<size_t>(m_taken.size() + std::max(size, m_growBy), kMaxSize);
        m_taken.resize(std::max(grown, m_taken.size()), false);
        return FirstFit(size, handle);
    }
    void Delete(UINT handle, UINT size) { std::fill_n(m_taken.begin() + handle, size, false); }
    void Reset() { m_taken.clear(); }
    UINT Size() const { return static_cast<UINT>(m_taken.size()); }

private:
    bool FirstFit(UINT size, UINT& handle) {
        size_t run = 0;
        for (size_t at = 0; at < m_taken.size(); ++at) {
            run = m_taken[at] ? 0 : run + 1;
            if (run == size) {
                handle = static_cast<UINT>(at + 1 - size);
                std::fill_n(m_taken.begin() + handle, size, true);
                return true;
            }
        }
        return false;
    }

    UINT m_initSize, m_growBy;
    std::vector<bool> m_taken;
};

void CheckItems(const tagHEAPMG& heap, const std::vector<Item>& items) {
    for (const Item& item : items) {
        const void* at = HeapMgPointer(&heap, item.handle);
        FUZZ_CHECK(at && std::memcmp(at, item.bytes.data(), item.bytes.size()) == 0);
    }
}

// An item's bytes: a string (with its terminator) of characters that are never zero, or plain
// bytes numbered by the step.
std::string Contents(bool isString, UINT size, int step) {
    std::string bytes(size, '\0');
    for (UINT i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(isString ? (i % 2 ? 0x30 : 0x41 + step % 26) : step * 7 + i);
    if (isString && size >= 2)
        bytes[size - 2] = bytes[size - 1] = '\0';
    return bytes;
}

void Insert(tagHEAPMG& heap, Model& model, std::vector<Item>& items, tufuzz::Reader& reader,
            int step) {
    const std::uint8_t how = reader.Byte();
    const bool isString = how & 1;
    UINT size = isString ? 2 * (reader.Byte() % 64) + 2 : reader.Word();
    if (how & 2) // now and then a large item, up to one beyond the largest
        size = (size * 17) % (kMaxSize + 2);
    const std::string bytes = Contents(isString, size, step);
    UINT expectedHandle = 0xdeadbeef;
    const bool expected = model.Insert(isString && size == 2 ? 0 : size, expectedHandle);
    UINT handle = 0xdeadbeef;
    const int result =
        isString    ? HeapMgInsertStr(reinterpret_cast<LPCWSTR>(bytes.data()), &heap, &handle)
        : (how & 4) ? HeapMgInsertItem(nullptr, size, &heap, &handle)
                    : HeapMgInsertItem(bytes.data(), size, &heap, &handle);
    FUZZ_CHECK(result == expected);
    FUZZ_CHECK(handle == (expected ? expectedHandle : 0xdeadbeef));
    FUZZ_CHECK(heap.nHeapSize == model.Size());
    if (expected && handle != 0)
        items.push_back(
            {handle, (how & 4) && !isString ? std::string(size, '\0') : bytes, isString});
}

void Delete(tagHEAPMG& heap, Model& model, std::vector<Item>& items, tufuzz::Reader& reader) {
    if (items.empty())
        return;
    const size_t which = reader.Byte() % items.size();
    const Item item = items[which];
    items.erase(items.begin() + which);
    const UINT size = static_cast<UINT>(item.bytes.size());
    FUZZ_CHECK(item.isString ? HeapMgDeleteStr(&heap, item.handle)
                             : HeapMgDeleteItem(&heap, item.handle, size));
    model.Delete(item.handle, size);
}

void CheckCopy(const tagHEAPMG& heap, const std::vector<Item>& items) {
    tagHEAPMG copy;
    FUZZ_CHECK(HeapMgCopy(&heap, &copy));
    FUZZ_CHECK(copy.nHeapSize == heap.nHeapSize);
    CheckItems(copy, items);
    HeapMgDelete(&copy);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const UINT flags = reader.Byte() & HEAPMG_NOEMPTYSTR;
    const UINT initSize = reader.Word() % 4096;
    const UINT growBy = reader.Word() % 4096;
    tagHEAPMG heap;
    HeapMgInit(&heap, flags, initSize, growBy);
    Model model(initSize, growBy);
    std::vector<Item> items;
    for (int step = 0; step < kMaxSteps && !reader.Empty(); ++step) {
        switch (reader.Byte() % 5) {
        case 0:
        case 1:
            Insert(heap, model, items, reader, step);
            break;
        case 2:
            Delete(heap, model, items, reader);
            break;
        case 3:
            CheckCopy(heap, items);
            break;
        default:
            FUZZ_CHECK(HeapMgDelete(&heap));
            model.Reset();
            items.clear();
            break;
        }
        CheckItems(heap, items);
        const LPCWSTR none = HeapMgStrPtr(&heap, 0);
        FUZZ_CHECK(flags ? none == nullptr : none && *none == L'\0');
        FUZZ_CHECK(HeapMgPointer(&heap, heap.nHeapSize + 1) == nullptr);
    }
    HeapMgDelete(&heap);
    return 0;
}
