// The root-key table: long names by index in any letter case, short prefixes
// by root value, and nothing for values outside the table.
#include "scanner/root_keys.h"

#include <gtest/gtest.h>

TEST(RootKeys, NamesPrefixesAndValues)
{
    EXPECT_EQ(RootKeyIndex("hkey_local_machine"), 2);
    EXPECT_EQ(RootKeyIndex("HKEY_DYN_DATA"), 6);
    EXPECT_EQ(RootKeyIndex("HKLM"), -1);
    EXPECT_EQ(RootKeyIndex("HKLM\\"), -1);
    EXPECT_EQ(RootKeyIndex(""), -1);
    EXPECT_EQ(RootKeyPrefix(kNoRootKey), "");
    EXPECT_EQ(RootKeyPrefix(0x80000007u), "");
    EXPECT_EQ(RootKeyPrefix(kUsers), "HKU\\");
    EXPECT_EQ(RootKeyPrefix(kCurrentConfig), "HKCC\\");
    for (int index = 0; index < kRootKeyCount; ++index) {
        EXPECT_EQ(RootKeyIndexOf(RootKeyOfIndex(index)), index);
        EXPECT_EQ(RootKeyIndex(RootKeyLongName(index)), index);
    }
    EXPECT_EQ(RootKeyOfIndex(7), kNoRootKey);
    EXPECT_EQ(RootKeyOfIndex(-1), kNoRootKey);
}
