// The root-key table: long names by index in any letter case, short prefixes
// by root value, and nothing for values outside the table. The expected table
// is written out here: KEY records in databases already made store these
// indices, so the order 0-6 must never move.
#include "scanner/root_keys.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

struct TRootKeyRow {
    int index;
    TRootKey root;  // the predefined handle value the system gives this root
    const char* longName;
    const char* prefix;
};

constexpr TRootKeyRow kExpected[] = {
    {0, 0x80000000u, "HKEY_CLASSES_ROOT", "HKCR\\"},
    {1, 0x80000001u, "HKEY_CURRENT_USER", "HKCU\\"},
    {2, 0x80000002u, "HKEY_LOCAL_MACHINE", "HKLM\\"},
    {3, 0x80000003u, "HKEY_USERS", "HKU\\"},
    {4, 0x80000004u, "HKEY_PERFORMANCE_DATA", "HKPD\\"},
    {5, 0x80000005u, "HKEY_CURRENT_CONFIG", "HKCC\\"},
    {6, 0x80000006u, "HKEY_DYN_DATA", "HKDD\\"},
};

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Every other letter lower case: "HkEy_cUrReNt_uSeR".
std::string Mixed(std::string text)
{
    for (size_t i = 1; i < text.size(); i += 2)
        text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    return text;
}

}  // namespace

TEST(RootKeys, TheTableInItsFixedOrder)
{
    static_assert(kRootKeyCount == 7);
    const TRootKey constants[] = {kClassesRoot, kCurrentUser,   kLocalMachine, kUsers,
                                  kPerformanceData, kCurrentConfig, kDynData};
    for (const TRootKeyRow& row : kExpected) {
        SCOPED_TRACE(row.longName);
        EXPECT_EQ(constants[row.index], row.root);
        EXPECT_EQ(RootKeyLongName(row.index), row.longName);
        EXPECT_EQ(RootKeyIndex(row.longName), row.index);
        EXPECT_EQ(RootKeyIndex(Lower(row.longName)), row.index);
        EXPECT_EQ(RootKeyIndex(Mixed(row.longName)), row.index);
        EXPECT_EQ(RootKeyOfIndex(row.index), row.root);
        EXPECT_EQ(RootKeyIndexOf(row.root), row.index);
        EXPECT_EQ(RootKeyPrefix(row.root), row.prefix);
    }
}

TEST(RootKeys, NothingOutsideTheTable)
{
    const char* const notLongNames[] = {
        "",           "HKLM",        "HKLM\\",          "HKCU\\",
        "HKEY_",      "HKEY_USER",   "HKEY_USERS\\",    " HKEY_USERS",
        "HKEY_USERS ", "HKEY_LOCAL_MACHINE\\Software", "HKEY_CURRENT_USER_LOCAL_SETTINGS",
    };
    for (const char* name : notLongNames)
        EXPECT_EQ(RootKeyIndex(name), -1) << "'" << name << "'";

    const TRootKey notRoots[] = {kNoRootKey, 0x7FFFFFFFu, 0x80000007u, 0x80000050u, 0x80000060u, 0u, 2u};
    for (const TRootKey root : notRoots) {
        SCOPED_TRACE(root);
        EXPECT_EQ(RootKeyIndexOf(root), -1);
        EXPECT_EQ(RootKeyPrefix(root), "");
    }

    for (const int index : {-1, 7, 8, -2147483647 - 1, 2147483647}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(RootKeyOfIndex(index), kNoRootKey);
        EXPECT_EQ(RootKeyLongName(index), "");
    }
}
