// The serialized chain: reading arbitrary bytes accepts only a header whose items are all in
// the buffer and whose cursor names an item, and what it accepts serializes back to the same
// bytes; a chain built from the input and serialized reads back into the same chain. Buffers
// end at an inaccessible page.
#include "FuzzSupport.h"

#include "tuContainers.h"

#include <cstring>
#include <string>

namespace {

constexpr UINT kHeader = 32;

UINT WordAt(const std::uint8_t* bytes, size_t at) {
    UINT word;
    std::memcpy(&word, bytes + at, sizeof word);
    return word;
}

// Serializes the chain into a buffer of exactly the size it needs (and checks that one byte
// less is refused without a write); returns the bytes.
std::string Serialized(const tagCHAIN& chain) {
    const size_t needed = kHeader + size_t{chain.nCount} * chain.nItemSize;
    tufuzz::Guarded<std::uint8_t> small(needed - 1);
    std::memset(small.data(), 0xcc, small.size());
    UINT reported = 0xdeadbeef;
    FUZZ_CHECK(!Chain2Buffer(&chain, &reported, small.data(), static_cast<UINT>(needed - 1)));
    FUZZ_CHECK(reported == 0xdeadbeef);
    FUZZ_CHECK(std::string(reinterpret_cast<char*>(small.data()), small.size()) ==
               std::string(small.size(), '\xcc'));
    tufuzz::Guarded<std::uint8_t> exact(needed);
    FUZZ_CHECK(Chain2Buffer(&chain, &reported, exact.data(), static_cast<UINT>(needed)));
    FUZZ_CHECK(reported == needed);
    return std::string(reinterpret_cast<char*>(exact.data()), needed);
}

// Every item of the chain, read through the chain (into an item-sized block).
std::string Items(tagCHAIN& chain) {
    std::string items;
    if (chain.nItemSize == 0) // any count of empty items: nothing to read
        return items;
    tufuzz::Guarded<std::uint8_t> item(chain.nItemSize);
    for (UINT n = 1; n <= chain.nCount; ++n) {
        FUZZ_CHECK(ContentOfNthOfChain(n, &chain, item.data()));
        items.append(reinterpret_cast<char*>(item.data()), chain.nItemSize);
    }
    return items;
}

void CheckRead(const std::uint8_t* data, size_t size) {
    tagCHAIN chain;
    UINT used = 0xdeadbeef;
    const int read = Buffer2Chain(data, static_cast<UINT>(size), &chain, &used);
    if (size < kHeader) {
        FUZZ_CHECK(!read && used == 0);
        return;
    }
    const UINT count = WordAt(data, 8);
    const std::uint64_t itemBytes = std::uint64_t{count} * WordAt(data, 16);
    const bool valid = WordAt(data, 4) < std::max(count, 1u) && itemBytes <= size - kHeader;
    FUZZ_CHECK(read == valid);
    if (read) {
        FUZZ_CHECK(used == kHeader + itemBytes);
        std::string expected(reinterpret_cast<const char*>(data), used);
        std::memset(&expected[0], 0, 4);
        std::memcpy(&expected[12], &count, 4);
        FUZZ_CHECK(Serialized(chain) == expected);
        FUZZ_CHECK(Items(chain) == expected.substr(kHeader));
    }
    DeleteChain(&chain);
}

void CheckRoundTrip(tufuzz::Reader& reader) {
    tagCHAIN chain;
    const UINT itemSize = 1 + reader.Byte() % 24;
    InitChain(&chain, itemSize, reader.Word(), 1 + reader.Byte() % 8, 1 + reader.Byte() % 8);
    // Growth moves the block at every step in the checked build: a hundred bytes suffice.
    const std::string items = reader.Rest().substr(0, 96);
    for (size_t at = 0; at + itemSize <= items.size(); at += itemSize)
        FUZZ_CHECK(AppendToChain(items.data() + at, &chain));
    NthOfChain(1 + chain.nCount / 2, &chain);
    const std::string bytes = Serialized(chain);
    const tufuzz::Guarded<std::uint8_t> placed(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                               bytes.size());
    tagCHAIN back;
    UINT used = 0;
    FUZZ_CHECK(Buffer2Chain(placed.data(), static_cast<UINT>(bytes.size()), &back, &used));
    FUZZ_CHECK(used == bytes.size());
    FUZZ_CHECK(back.nCurrent == chain.nCurrent && back.nCount == chain.nCount &&
               back.nAlloc == chain.nCount && back.nItemSize == chain.nItemSize &&
               back.nUser == chain.nUser && back.nInitAlloc == chain.nInitAlloc &&
               back.nGrowBy == chain.nGrowBy);
    FUZZ_CHECK(Serialized(back) == bytes);
    FUZZ_CHECK(Items(back) == items.substr(0, items.size() - items.size() % itemSize));
    DeleteChain(&back);
    DeleteChain(&chain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckRead(data, size);
    tufuzz::Reader reader(data, size);
    CheckRoundTrip(reader);
    return 0;
}
