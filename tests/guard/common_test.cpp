#include "guard/common.h"

#include <gtest/gtest.h>

#include <fstream>
#include <shlobj.h>

#include "classlib/std_controls.h"
#include "classlib/win_handle.h"
#include "support/test_support.h"

TEST(Common, DataFolderIsTheLocalAppDataFolderPlusTalmoris)
{
    char local[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
    EXPECT_EQ(GetDataFolder(), IncludeTrailingPathDelimiter(local) + "Talmoris\\");
    const String program = GetProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), '\\');
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    EXPECT_EQ(program + ExtractFileName(self), String(self));
}

TEST(Common, FileDigestsMatchMd5sum)
{
    std::ifstream in(test_support::FixturePath("digests/digests.txt"));
    std::string name, crc, md5;
    size_t size = 0;
    int checked = 0;
    while (in >> name >> size >> crc >> md5) {
        const String file = test_support::FixturePath("digests/" + name);
        EXPECT_EQ(HashFileMD5(file), md5) << name;
        EXPECT_EQ(QueryFileSize(file), size) << name;
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

TEST(Common, FileDigestIsEmptyForEmptyMissingOrLockedFiles)
{
    test_support::TempFolder folder;
    const String empty = folder.File("empty");
    test_support::WriteAll(empty, "");
    EXPECT_EQ(HashFileMD5(empty), "");
    EXPECT_EQ(QueryFileSize(empty), 0u);
    EXPECT_EQ(HashFileMD5(folder.File("missing")), "");
    EXPECT_EQ(QueryFileSize(folder.File("missing")), 0u);
    EXPECT_EQ(HashFileMD5(folder.Path()), "");

    const String one = folder.File("one");
    test_support::WriteAll(one, "a");
    EXPECT_EQ(HashFileMD5(one), "0cc175b9c0f1b6a831c399e269772661");
    {
        // Held without read sharing, the file can't be opened for the digest.
        TUniqueHandle lock(CreateFileA(one.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock.Valid());
        EXPECT_EQ(HashFileMD5(one), "");
        EXPECT_EQ(QueryFileSize(one), 0u);
    }
    EXPECT_EQ(HashFileMD5(one), "0cc175b9c0f1b6a831c399e269772661");
}

TEST(Common, WholeDaysBetweenSystemTimes)
{
    const auto At = [](WORD year, WORD month, WORD day, WORD hour, WORD minute) {
        SYSTEMTIME t{};
        t.wYear = year;
        t.wMonth = month;
        t.wDay = day;
        t.wHour = hour;
        t.wMinute = minute;
        return t;
    };
    EXPECT_EQ(WholeDaysBetween(At(2026, 12, 10, 8, 0), At(2026, 12, 10, 8, 0)), 0u);
    EXPECT_EQ(WholeDaysBetween(At(2026, 12, 10, 0, 0), At(2026, 12, 10, 23, 59)), 0u);
    EXPECT_EQ(WholeDaysBetween(At(2026, 12, 10, 0, 0), At(2026, 12, 11, 0, 0)), 1u);
    EXPECT_EQ(WholeDaysBetween(At(2027, 1, 9, 12, 0), At(2026, 12, 10, 12, 0)), 30u);
    // The all-zero time of a check never made counts as the beginning of time:
    // a check is due, whatever today is.
    const SYSTEMTIME never{};
    EXPECT_GT(WholeDaysBetween(never, At(2026, 12, 10, 8, 0)), 100000u);
}

TEST(Common, WindowsVersionUnderTheTestSystemIsXPOrLater)
{
    // Wine reports an NT version of 6.1 or later by default.
    EXPECT_TRUE(IsWindowsXPOrLater());
}

TEST(Common, ShowOnlyChildSwitchesPagesButKeepsTaggedControls)
{
    TPanel holder(nullptr);
    TPanel first(nullptr), second(nullptr), pinned(nullptr);
    TLabel label(nullptr);
    for (TControl* c : std::initializer_list<TControl*>{&first, &second, &pinned, &label})
        c->SetParent(&holder);
    pinned.SetTag(kKeepVisibleTag);
    pinned.SetVisible(false);
    label.SetVisible(false);

    ShowOnlyChild(&holder, &second);
    EXPECT_FALSE(first.Visible());
    EXPECT_TRUE(second.Visible());
    EXPECT_FALSE(pinned.Visible()) << "tagged 1000: left alone";
    EXPECT_FALSE(label.Visible()) << "not windowed: left alone";

    pinned.SetVisible(true);
    ShowOnlyChild(&holder, &first);
    EXPECT_TRUE(first.Visible());
    EXPECT_FALSE(second.Visible());
    EXPECT_TRUE(pinned.Visible());
    ShowOnlyChild(nullptr, &first);  // nothing to do, and no harm
}
