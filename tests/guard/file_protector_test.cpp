// File protections against the stand-in alert program (tests/tools/fake_alert.cpp):
// the watcher finds each change, the question reaches the alert program, and
// the answer is carried out on the disk and in the baseline.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "classlib/file_system.h"
#include "guard/additional_info_interface.h"
#include "guard/alert_block.h"
#include "guard/file_protector.h"
#include "support/monitor_harness.h"
#include "support/test_support.h"

using test_support::LogLine;
using test_support::ReadAll;
using test_support::WriteAll;

namespace {

std::string Text(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string TrashFolder()
{
    return test_support::Join(test_support::EnvOr("XDG_DATA_HOME", ""), "Trash\\files");
}

bool InTrash(const std::string& name) { return FileExists(test_support::Join(TrashFolder(), name)) ||
                                               DirectoryExists(test_support::Join(TrashFolder(), name)); }

// A protection of a folder "guarded" (or of the file "guarded\hosts") in a
// folder of the test's own, with its list file beside it.
class ProtectionFixture {
public:
    ProtectionFixture(std::uint8_t kind, IFileAction* provider, const std::string& answer)
        : alert(answer), guarded(temp.File("guarded")), file(test_support::Join(guarded, "hosts")),
          listFile(temp.File("lists\\p.protection"))
    {
        std::filesystem::create_directories(guarded);
        protection = std::make_unique<TFileProtection>(provider, host.window, TAlertLauncher(test_support::FakeAlertProgram()));
        protection->SetKind(kind);
        protection->SetPath(kind == pkFile ? file : guarded);
        protection->SetListFile(listFile);
        protection->SetDisplayName("Test protection");
    }
    ~ProtectionFixture() { protection.reset(); }

    void Start()
    {
        protection->Start();
        ASSERT_TRUE(protection->Running());
        ASSERT_TRUE(host.PumpUntil([&] { return protection->WaitUntilWatching(0); }));
    }
    std::string Item(const std::string& name) const { return test_support::Join(guarded, name); }
    std::string Copy() const { return TFileProtection::StoredCopyPath(listFile, file); }
    std::string List() const { return Text(ReadAll(listFile)); }
    bool Listed(const std::string& path) const { return List().find("=" + path + "\r\n") != std::string::npos ||
                                                        List().find("=?" + path + "\r\n") != std::string::npos; }
    // The questions the alert program was started with.
    int Asked() const
    {
        const std::string log = Text(ReadAll(alert.folder.File("asked.log")));
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }
    bool Logged(const std::string& part) const
    {
        return std::any_of(host.lines.begin(), host.lines.end(), [&](const LogLine& l) { return l.text.find(part) != std::string::npos; });
    }
    bool PumpUntil(const std::function<bool()>& done, DWORD ms = 15000) { return host.PumpUntil(done, ms); }

    test_support::MonitorHarness host;  // the main window's side: log lines and blinks
    test_support::ScriptedFakeAlert alert;
    test_support::TempFolder temp;
    std::string guarded;
    std::string file;
    std::string listFile;
    std::unique_ptr<TFileProtection> protection;
};

struct WatchCase {
    const char* name;
    std::uint8_t kind;
    std::string answer;  // the alert program's script
    std::function<void(ProtectionFixture&)> before;  // what is there when the protection starts
    std::function<void(ProtectionFixture&)> change;
    std::function<bool(ProtectionFixture&)> settled;  // disk, entries and copy as the answer leaves them
    int questions;                                    // the alert programs started
    const char* logged;                               // a part of the outcome's log line
};

TDummyInfo dummyProvider;
TTextFilesInformation textProvider;

void Write(const std::string& path, const std::string& text) { WriteAll(path, text); }

}  // namespace

TEST(FileProtection, EachAnswerIsCarriedOutOnTheDiskAndInTheBaseline)
{
    const std::vector<WatchCase> cases = {
        {"folder item, Yes", pkFolder, "6 0", [](auto&) {},
         [](auto& f) { Write(f.Item("yes.txt"), "x"); },
         [](auto& f) { return FileExists(f.Item("yes.txt")) && f.Listed(f.Item("yes.txt")); }, 1, "was accepted"},
        {"folder item, No: to the recycle bin", pkFolder, "7 0", [](auto&) {},
         [](auto& f) { Write(f.Item("refused-item.txt"), "x"); },
         [](auto& f) { return !FileExists(f.Item("refused-item.txt")) && InTrash("refused-item.txt") &&
                              !f.Listed(f.Item("refused-item.txt")); }, 1, "refused and undone"},
        {"read-only folder item, No", pkFolder, "7 0", [](auto&) {},
         [](auto& f) {
             Write(f.Item("refused-readonly.txt"), "x");
             SetFileAttributesA(f.Item("refused-readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
         },
         [](auto& f) { return !FileExists(f.Item("refused-readonly.txt")) && InTrash("refused-readonly.txt"); }, 1,
         "refused and undone"},
        {"a folder of 50 files is one question, Yes records it whole", pkFolder, "6 0", [](auto&) {},
         [](auto& f) {
             const std::string outside = f.temp.File("made");
             std::filesystem::create_directories(outside + "\\inner");
             for (int i = 0; i < 50; ++i)
                 Write(outside + "\\inner\\f" + std::to_string(i) + ".txt", "x");
             ASSERT_TRUE(MoveFileA(outside.c_str(), f.Item("bundle").c_str()));
         },
         [](auto& f) { return f.Listed(f.Item("bundle")) && f.Listed(f.Item("bundle\\inner")) &&
                              f.Listed(f.Item("bundle\\inner\\f49.txt")); }, 1, "was accepted"},
        {"a folder of 50 files, No recycles it whole", pkFolder, "7 0", [](auto&) {},
         [](auto& f) {
             const std::string outside = f.temp.File("made");
             std::filesystem::create_directories(outside);
             for (int i = 0; i < 50; ++i)
                 Write(outside + "\\f" + std::to_string(i) + ".txt", "x");
             ASSERT_TRUE(MoveFileA(outside.c_str(), f.Item("refused-bundle").c_str()));
         },
         [](auto& f) { return !DirectoryExists(f.Item("refused-bundle")) && InTrash("refused-bundle"); }, 1,
         "refused and undone"},
        {"guarded file changed, Yes: the copy takes it", pkFile, "6 0", [](auto& f) { Write(f.file, "a\r\n"); },
         [](auto& f) { Write(f.file, "a\r\nb\r\n"); },
         [](auto& f) { return Text(ReadAll(f.Copy())) == "a\r\nb\r\n" && Text(ReadAll(f.file)) == "a\r\nb\r\n"; }, 1,
         "was accepted"},
        {"guarded file changed, No: the old content is back", pkFile, "7 0", [](auto& f) { Write(f.file, "a\r\n"); },
         [](auto& f) { Write(f.file, "a\r\nb\r\n"); },
         [](auto& f) { return Text(ReadAll(f.file)) == "a\r\n" && Text(ReadAll(f.Copy())) == "a\r\n"; }, 1,
         "refused and undone"},
        {"guarded file emptied is a change", pkFile, "6 0", [](auto& f) { Write(f.file, "a\r\n"); },
         [](auto& f) { Write(f.file, ""); },
         [](auto& f) { return FileExists(f.Copy()) && ReadAll(f.Copy()).empty(); }, 1, "was accepted"},
        {"guarded file deleted, Yes: copy and entry go", pkFile, "6 0", [](auto& f) { Write(f.file, "a\r\n"); },
         [](auto& f) { RemoveFile(f.file); },
         [](auto& f) { return !FileExists(f.Copy()) && !f.Listed(f.file) && !FileExists(f.file); }, 1, "was accepted"},
        {"guarded file deleted, No: it comes back", pkFile, "7 0", [](auto& f) { Write(f.file, "a\r\n"); },
         [](auto& f) { RemoveFile(f.file); },
         [](auto& f) { return Text(ReadAll(f.file)) == "a\r\n" && f.Listed(f.file); }, 1, "refused and undone"},
        {"guarded file appears, Yes", pkFile, "6 0", [](auto&) {}, [](auto& f) { Write(f.file, "new\r\n"); },
         [](auto& f) { return Text(ReadAll(f.Copy())) == "new\r\n" && f.Listed(f.file); }, 1, "was accepted"},
        {"guarded file appears, No: deleted", pkFile, "7 0", [](auto&) {}, [](auto& f) { Write(f.file, "new\r\n"); },
         [](auto& f) { return !FileExists(f.file) && !f.Listed(f.file); }, 1, "refused and undone"},
        {"no answer changes nothing", pkFolder, "none", [](auto&) {},
         [](auto& f) { Write(f.Item("unanswered.txt"), "x"); },
         [](auto& f) { return FileExists(f.Item("unanswered.txt")) && !f.Listed(f.Item("unanswered.txt")) &&
                              f.Logged("got no answer"); }, 1, "got no answer"},
        {"no answer about a changed file leaves it and its copy", pkFile, "0 0", [](auto& f) { Write(f.file, "a\r\n"); },
         [](auto& f) { Write(f.file, "b\r\n"); },
         [](auto& f) { return Text(ReadAll(f.file)) == "b\r\n" && Text(ReadAll(f.Copy())) == "a\r\n" &&
                              f.Logged("got no answer"); }, 1, "got no answer"},
    };
    for (const WatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProtectionFixture f(c.kind, &dummyProvider, c.answer);
        c.before(f);
        f.Start();
        EXPECT_EQ(f.Asked(), 0) << "the baseline asks nothing";
        c.change(f);
        EXPECT_TRUE(f.PumpUntil([&] { return c.settled(f) && f.Logged(c.logged); })) << f.List();
        f.host.PumpFor(300);
        EXPECT_EQ(f.Asked(), c.questions);
        f.protection->Stop();
        EXPECT_TRUE(c.settled(f)) << "after the stop";
    }
}

TEST(FileProtection, WininitIniThatVanishesIsAcceptedUnasked)
{
    ProtectionFixture f(pkFile, &textProvider, "7 0");
    f.file = f.Item("wininit.ini");
    f.protection->SetPath(f.file);
    Write(f.file, "[rename]\r\n");
    f.Start();
    RemoveFile(f.file);
    EXPECT_TRUE(f.PumpUntil([&] { return !FileExists(f.Copy()) && f.Logged("was accepted"); }));
    EXPECT_EQ(f.Asked(), 0);
    EXPECT_FALSE(FileExists(f.file));
}

TEST(FileProtection, TheTextProviderDecidesAndDescribes)
{
    // Reordered lines are no change: the copy is refreshed without a question.
    ProtectionFixture f(pkFile, &textProvider, "6 0");
    Write(f.file, "127.0.0.1 localhost\r\n10.0.0.1 a\r\n");
    f.Start();
    Write(f.file, "10.0.0.1 a\r\n   127.0.0.1 localhost\r\n\r\n");
    EXPECT_TRUE(f.PumpUntil([&] { return Text(ReadAll(f.Copy())) == Text(ReadAll(f.file)); }));
    EXPECT_EQ(f.Asked(), 0);

    // A long description is cut where the alert block ends.
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "10.0.0." + std::to_string(i) + " host" + std::to_string(i) + "\r\n";
    Write(f.file, many);
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 1 && Text(ReadAll(f.Copy())) == many; }));
    const std::vector<std::uint8_t> block = f.alert.Dump(EntryKey(f.file));
    TAlertQuestion question;
    ASSERT_TRUE(ReadAlertBlock(block.data(), block.size(), question));
    EXPECT_EQ(question.Message.size(), kAlertMessageLimit + 3);
    EXPECT_EQ(question.Message.substr(question.Message.size() - 3), "...");
    EXPECT_EQ(question.Message.find("Signalled guard: Test protection.\r\n\r\nFile '" + f.file + "' changed."), 0u);
    EXPECT_NE(question.Message.find("Added strings:"), String::npos);
    EXPECT_EQ(question.Question, "Accept changes?");
    EXPECT_FALSE(question.ShowCheckBox);
}

TEST(FileProtection, YesKeepsWhatTheQuestionShowedAndALaterChangeIsAskedAgain)
{
    ProtectionFixture f(pkFile, &dummyProvider, "");
    const std::string release = f.temp.File("release");
    f.alert.Answer("until " + release + " 6 0");
    Write(f.file, "a\r\n");
    f.Start();
    Write(f.file, "b\r\n");
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 1; }));
    f.host.PumpFor(200);
    Write(f.file, "c\r\n");  // while the question is up
    f.host.PumpFor(300);
    f.alert.Answer("7 0");   // the second question is refused
    Write(release, "");
    EXPECT_TRUE(f.PumpUntil([&] { return f.Asked() == 2 && Text(ReadAll(f.file)) == "b\r\n"; }));
    EXPECT_EQ(Text(ReadAll(f.Copy())), "b\r\n") << "the content the first question showed";
}

TEST(FileProtection, ALockedRefusedItemIsRemovedOnceItIsFree)
{
    ProtectionFixture f(pkFolder, &dummyProvider, "7 0");
    f.Start();
    const std::string item = f.Item("refused-locked.txt");
    Write(item, "x");
    TUniqueHandle lock(CreateFileA(item.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 1; }));
    f.host.PumpFor(1000);
    EXPECT_TRUE(FileExists(item)) << "not moved while in use";
    lock.Reset();
    EXPECT_TRUE(f.PumpUntil([&] { return !FileExists(item) && InTrash("refused-locked.txt"); }));
}

TEST(FileProtection, AnItemThatGoesWhileAskedEndsTheQuestionAndChangesNothing)
{
    ProtectionFixture f(pkFolder, &dummyProvider, "wait 20000");
    f.Start();
    const std::string item = f.Item("short-lived.txt");
    Write(item, "x");
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 1; }));
    RemoveFile(item);
    EXPECT_TRUE(f.PumpUntil([&] { return f.Logged("got no answer"); }, 5000));
    EXPECT_FALSE(f.Listed(item));
}

TEST(FileProtection, AStopDuringAQuestionComesBackAtOnceAndChangesNothing)
{
    ProtectionFixture f(pkFolder, &dummyProvider, "wait 20000");
    f.Start();
    const std::string item = f.Item("asked-at-stop.txt");
    Write(item, "x");
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 1; }));
    const DWORD before = GetTickCount();
    f.protection->Stop();
    EXPECT_LT(GetTickCount() - before, 1000u) << "the question is closed, not waited for";
    EXPECT_FALSE(f.protection->Running());
    EXPECT_TRUE(FileExists(item));
    EXPECT_FALSE(f.Listed(item));

    // Asked again when it runs again; switching it off closes the question.
    f.Start();
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 2; }));
    f.protection->SetEnabled(false);
    EXPECT_FALSE(f.protection->Running());
    EXPECT_TRUE(FileExists(item));
}

TEST(FileProtection, AWatchedFolderThatVanishesIsWaitedForAndComparedWhenItReturns)
{
    ProtectionFixture f(pkFolder, &dummyProvider, "6 0");
    Write(f.Item("kept.txt"), "x");
    f.Start();
    const std::string aside = f.temp.File("aside");
    ASSERT_TRUE(MoveFileA(f.guarded.c_str(), aside.c_str()));
    ASSERT_TRUE(f.PumpUntil([&] { return f.Logged("is gone"); }));
    Write(test_support::Join(aside, "while-away.txt"), "x");
    ASSERT_TRUE(MoveFileA(aside.c_str(), f.guarded.c_str()));
    EXPECT_TRUE(f.PumpUntil([&] { return f.Logged("is there again") && f.Listed(f.Item("while-away.txt")); }));
    EXPECT_EQ(f.Asked(), 1) << "only the new item";
    EXPECT_TRUE(f.Listed(f.Item("kept.txt"))) << "the baseline survived";
}

TEST(FileProtection, AMissingCopyIsMadeAgainSilently)
{
    ProtectionFixture f(pkFile, &dummyProvider, "7 0");
    Write(f.file, "a\r\n");
    f.Start();
    f.protection->Stop();
    RemoveFile(f.Copy());
    f.Start();
    EXPECT_TRUE(f.PumpUntil([&] { return FileExists(f.Copy()); }));
    f.host.PumpFor(500);
    EXPECT_EQ(f.Asked(), 0);
    EXPECT_EQ(Text(ReadAll(f.file)), "a\r\n");
}

TEST(FileProtection, AFolderProtectionWithoutItsFolderSwitchesItselfOff)
{
    ProtectionFixture f(pkFolder, &dummyProvider, "6 0");
    f.protection->SetPath(f.temp.File("missing"));
    f.protection->Start();
    EXPECT_FALSE(f.protection->Running());
    EXPECT_FALSE(f.protection->Enabled());
}

TEST(FileProtection, AReadOnlyGuardedFileCanBeAcceptedAgainAndAgain)
{
    ProtectionFixture f(pkFile, &dummyProvider, "6 0");
    const auto rewrite = [&](const std::string& text) {
        SetFileAttributesA(f.file.c_str(), FILE_ATTRIBUTE_NORMAL);
        Write(f.file, text);
        SetFileAttributesA(f.file.c_str(), FILE_ATTRIBUTE_READONLY);
    };
    Write(f.file, "a\r\n");
    SetFileAttributesA(f.file.c_str(), FILE_ATTRIBUTE_READONLY);
    f.Start();
    for (const std::string text : {"b\r\n", "c\r\n"}) {
        rewrite(text);
        EXPECT_TRUE(f.PumpUntil([&] { return Text(ReadAll(f.Copy())) == text; })) << text;
    }
    RemoveFile(f.file);  // after clearing the mark, as a user would
    SetFileAttributesA(f.file.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveFile(f.file);
    EXPECT_TRUE(f.PumpUntil([&] { return !FileExists(f.Copy()); })) << "the deletion is accepted too";
    f.protection->Stop();
    for (const std::string& name : test_support::FolderEntries(f.temp.File("lists")))
        EXPECT_EQ(name.find(".asked"), std::string::npos) << name << " left behind";
}

TEST(FileProtection, ADeletionQuestionClosesWhenTheFileIsBackAndKeepsItsNewContent)
{
    ProtectionFixture f(pkFile, &dummyProvider, "wait 20000");
    Write(f.file, "a\r\n");
    f.Start();
    RemoveFile(f.file);
    ASSERT_TRUE(f.PumpUntil([&] { return f.Asked() == 1; }));
    f.alert.Answer("7 0");  // the change that follows is refused
    Write(f.file, "new\r\n");
    EXPECT_TRUE(f.PumpUntil([&] { return f.Logged("got no answer"); }, 5000));
    // Asked again as a change, and refused: the stored content is back.
    EXPECT_TRUE(f.PumpUntil([&] { return f.Asked() == 2 && Text(ReadAll(f.file)) == "a\r\n"; }));
}

TEST(FileProtection, AGuardedFileGoneWithItsCopyIsForgottenWithoutAQuestion)
{
    ProtectionFixture f(pkFile, &dummyProvider, "7 0");
    Write(f.file, "a\r\n");
    f.Start();
    f.protection->Stop();
    RemoveFile(f.Copy());
    RemoveFile(f.file);
    f.Start();
    EXPECT_TRUE(f.PumpUntil([&] { return !f.Listed(f.file); }));
    Write(f.file, "b\r\n");  // back: asked as new, and refused
    EXPECT_TRUE(f.PumpUntil([&] { return f.Asked() == 1 && !FileExists(f.file); }));
}
