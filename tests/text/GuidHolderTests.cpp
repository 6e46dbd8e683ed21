// utl::CGUIDHolder: the null GUID and its empty text, texts both ways, new GUIDs.
#include "tuText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr wchar_t kSample[] = L"00112233-4455-6677-8899-aabbccddeeff";

bool IsNull(const GUID* uid) {
    static const GUID kNull{};
    return std::memcmp(uid, &kNull, sizeof kNull) == 0;
}

TEST(GuidHolder, NullGuidHasTheEmptyText) {
    const wchar_t* noText = nullptr;
    for (const utl::CGUIDHolder& holder :
         {utl::CGUIDHolder(), utl::CGUIDHolder(L""), utl::CGUIDHolder(noText),
          utl::CGUIDHolder(L"not a guid"),
          utl::CGUIDHolder(L"{00112233-4455-6677-8899-aabbccddeeff}")}) {
        EXPECT_TRUE(IsNull(holder.GetUID()));
        EXPECT_EQ(holder.GetStringUID(), L"");
    }
}

TEST(GuidHolder, TextsBothWaysAndNewGuids) {
    utl::CGUIDHolder holder(kSample), copy;
    EXPECT_EQ(holder.GetStringUID(), kSample);
    const GUID* uid = holder.GetUID();
    const GUID expected = {
        0x00112233, 0x4455, 0x6677, {0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}};
    EXPECT_EQ(std::memcmp(uid, &expected, sizeof expected), 0);
    copy = utl::CGUIDHolder(*uid);
    EXPECT_EQ(copy.GetStringUID(), kSample);
    copy.SetUID(L"FFEEDDCC-BBAA-9988-7766-554433221100");
    EXPECT_EQ(copy.GetStringUID(), L"ffeeddcc-bbaa-9988-7766-554433221100");
    copy.SetUID(L"ffeeddcc");
    EXPECT_TRUE(IsNull(copy.GetUID()));
    copy.SetUID(uid);
    EXPECT_EQ(copy.GetStringUID(), kSample);
    copy.SetUID(static_cast<const GUID*>(nullptr));
    EXPECT_TRUE(IsNull(copy.GetUID()));

    const CString first = holder.GetStringNewUID(), second = holder.GetStringNewUID();
    EXPECT_EQ(first.GetLength(), 36);
    EXPECT_NE(first, second);
    EXPECT_EQ(holder.GetStringUID(), second);
    const GUID before = *holder.GetUID();
    EXPECT_EQ(holder.GetNewUID(), holder.GetUID());
    EXPECT_NE(std::memcmp(holder.GetUID(), &before, sizeof before), 0);
    EXPECT_FALSE(IsNull(holder.GetUID()));
}

} // namespace
