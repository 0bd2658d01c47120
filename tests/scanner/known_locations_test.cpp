// Known locations expanded from their tokens: tokens in any letter case, an
// unknown token dropped, a folder the machine didn't give left empty, and the
// drive of the Windows folder with the program's drive as its stand-in.
#include "scanner/known_locations.h"

#include <gtest/gtest.h>

TEST(KnownLocations, ExpandsEachTokenAndDropsWhatIsNone)
{
    const TKnownLocationFolders folders =
        KnownLocationFoldersFrom("C:\\Program Files\\", "C:\\WINDOWS", "C:\\WINDOWS\\system32\\", "D:\\x\\t.exe");
    const struct {
        const char* location;
        const char* path;
    } cases[] = {
        {"<pf>\\spy\\spy.exe", "C:\\Program Files\\spy\\spy.exe"},
        {"<PF>\\spy\\spy.exe", "C:\\Program Files\\spy\\spy.exe"},
        {"<wr>\\spy.exe", "C:\\spy.exe"},
        {"<wd>\\spy.dll", "C:\\WINDOWS\\spy.dll"},
        {"<Sd>\\drivers\\spy.sys", "C:\\WINDOWS\\system32\\drivers\\spy.sys"},
        {"<xx>c:\\spy.exe", "c:\\spy.exe"},      // four characters dropped, nothing in their place
        {"<xx>\\spy.exe", "\\spy.exe"},          // ... which may leave no full path
        {"c:\\spy\\spy.exe", "py\\spy.exe"},     // no token at all: the same rule
        {"<pf>", "C:\\Program Files"},
        {"<pf", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandKnownLocation(c.location, folders), c.path) << c.location;
}

TEST(KnownLocations, UnknownFoldersGiveEmptyTexts)
{
    const TKnownLocationFolders none = KnownLocationFoldersFrom("", "", "", "");
    for (const char* location : {"<pf>\\spy.exe", "<wr>\\spy.exe", "<wd>\\spy.exe", "<sd>\\spy.exe"})
        EXPECT_EQ(ExpandKnownLocation(location, none), "\\spy.exe") << location;

    // Without a Windows folder the drive is the program's own.
    EXPECT_EQ(KnownLocationFoldersFrom("", "", "", "E:\\Talmoris\\talmoris.exe").WindowsDrive, "E:");
    EXPECT_EQ(KnownLocationFoldersFrom("", "C:\\WINDOWS", "", "E:\\t.exe").WindowsDrive, "C:");
}
