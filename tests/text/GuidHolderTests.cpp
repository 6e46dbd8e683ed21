// utl::CGUIDHolder: the null GUID and its empty text, texts both ways, new GUIDs.
#include "tuText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr wchar_t kSample[] = L"00112233-4455-6677-8899-aabbccddeeff";

TEST(GuidHolder, MissingOrMalformedTextsHoldTheNullGuidWithTheEmptyText) {
    const GUID null{};
    utl::CGUIDHolder shortText(kSample), noGuid(kSample);
    shortText.SetUID(L"ffeeddcc");
    noGuid.SetUID(static_cast<const GUID*>(nullptr));
    for (const utl::CGUIDHolder& holder :
         {utl::CGUIDHolder(), utl::CGUIDHolder(L""),
          utl::CGUIDHolder(static_cast<const wchar_t*>(nullptr)), utl::CGUIDHolder(L"not a guid"),
          utl::CGUIDHolder(L"{00112233-4455-6677-8899-aabbccddeeff}"), shortText, noGuid}) {
        EXPECT_EQ(std::memcmp(holder.GetUID(), &null, sizeof null), 0);
        EXPECT_EQ(holder.GetStringUID(), L"");
    }
}

TEST(GuidHolder, TextsBothWaysAndNewGuids) {
    const GUID sample = {
        0x00112233, 0x4455, 0x6677, {0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}};
    utl::CGUIDHolder holder(kSample), copy(L"FFEEDDCC-BBAA-9988-7766-554433221100");
    EXPECT_EQ(std::memcmp(holder.GetUID(), &sample, sizeof sample), 0);
    EXPECT_EQ(utl::CGUIDHolder(sample).GetStringUID(), kSample);
    EXPECT_EQ(copy.GetStringUID(), L"ffeeddcc-bbaa-9988-7766-554433221100");
    copy.SetUID(&sample);
    EXPECT_EQ(copy.GetStringUID(), kSample);

    const CString first = holder.GetStringNewUID(), second = holder.GetStringNewUID();
    EXPECT_EQ(first.GetLength(), 36);
    EXPECT_NE(first, second);
    EXPECT_EQ(holder.GetStringUID(), second);
    const GUID before = *holder.GetUID();
    EXPECT_EQ(holder.GetNewUID(), holder.GetUID());
    EXPECT_NE(std::memcmp(holder.GetUID(), &before, sizeof before), 0);
}

} // namespace
