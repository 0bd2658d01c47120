#include "guard/common.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <shlobj.h>

#include "classlib/std_controls.h"
#include "classlib/win_handle.h"
#include "support/test_support.h"
#include "support/window_driving.h"

namespace {

// A copy of this program started with this flag only reports what the
// system version rule says there, and what the system reports, in its exit
// code: kProbeReport | (rule ? kProbeRuleHolds : 0) | platform << 16 |
// major << 8 | minor.
constexpr char kVersionProbeFlag[] = " --report-version-rule";
constexpr DWORD kProbeReport = 0x40000000;
constexpr DWORD kProbeRuleHolds = 0x01000000;

// Runs while the program starts, before any test: a probe ends here.
[[maybe_unused]] const bool kProbed = [] {
    if (!std::strstr(GetCommandLineA(), kVersionProbeFlag))
        return false;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    ExitProcess(kProbeReport | (IsWindowsXPOrLater() ? kProbeRuleHolds : 0) | (info.dwPlatformId & 0xFF) << 16 |
                (info.dwMajorVersion & 0xFF) << 8 | (info.dwMinorVersion & 0xFF));
    return true;
}();

// Wine gives a program the system version named under
// HKCU\Software\Wine\AppDefaults\<its file name>, read when it starts.
class WineVersionFor {
public:
    explicit WineVersionFor(const std::string& fileName) : key_("Software\\Wine\\AppDefaults\\" + fileName)
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    }
    ~WineVersionFor() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;

    bool Set(const std::string& version) const
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const LONG result = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                                           static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

private:
    std::string key_;
};

bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace

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

TEST(Common, TheSystemVersionRuleOverTheVersionsTheSystemReports)
{
    if (!UnderWine())
        GTEST_SKIP() << "the system's version is set through Wine's per-program settings";
    // Every NT version from XP (5.1) on; Windows 2000, NT 4 and Windows 98
    // are older.
    const struct {
        const char* wineVersion;
        DWORD platform, major, minor;
        bool xpOrLater;
    } cases[] = {
        {"nt40", 2, 4, 0, false},  {"win98", 1, 4, 10, false}, {"win2k", 2, 5, 0, false},
        {"winxp", 2, 5, 1, true},  {"win2003", 2, 5, 2, true}, {"vista", 2, 6, 0, true},
        {"win7", 2, 6, 1, true},   {"win8", 2, 6, 2, true},
    };
    test_support::TempFolder folder;
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::string probeName = "talmoris_version_probe.exe";
    const std::string probe = folder.File(probeName);
    ASSERT_TRUE(CopyFileA(self, probe.c_str(), FALSE));
    const WineVersionFor version(probeName);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wineVersion);
        ASSERT_TRUE(version.Set(c.wineVersion));
        test_support::ChildProcess child(probe, probeName + kVersionProbeFlag);
        ASSERT_TRUE(child.Started());
        ASSERT_TRUE(child.EndsWithin(30000));
        const DWORD report = child.ExitCode();
        ASSERT_EQ(report & kProbeReport, kProbeReport) << "no report: " << report;
        EXPECT_EQ((report >> 16) & 0xFF, c.platform) << "the version the system reported";
        EXPECT_EQ((report >> 8) & 0xFF, c.major) << "the version the system reported";
        EXPECT_EQ(report & 0xFF, c.minor) << "the version the system reported";
        EXPECT_EQ((report & kProbeRuleHolds) != 0, c.xpOrLater);
    }
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
