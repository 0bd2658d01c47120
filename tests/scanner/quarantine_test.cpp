// Quarantine files on disk: records added, read back, deleted and restored;
// files that aren't whole are set aside or cut back without losing a byte of
// what they held; the registry side is a recorder here.
#include "scanner/quarantine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include "classlib/file_system.h"
#include "support/test_support.h"
#include "test_scanners.h"

namespace {

// Exports write a recognisable text; imports record what they were given.
class TFakeRegistry : public TQuarantineRegistry {
public:
    std::vector<std::string> imported;
    bool importSucceeds = true;

    bool Export(TRootKey root, const String& keyPath, const std::optional<String>& valueName,
                const String& fileName) override
    {
        if (keyPath == "Software\\Missing")
            return false;
        const std::string text = "REGEDIT4\r\n\r\n[" + RootKeyPrefix(root) + keyPath + "]\r\n" +
                                 (valueName ? "\"" + *valueName + "\"=\"x\"\r\n" : "");
        return WriteFileAtomically(fileName, text.data(), text.size());
    }
    bool Import(const String& fileName) override
    {
        std::vector<std::uint8_t> bytes;
        ReadFileBytes(fileName, bytes);
        imported.emplace_back(bytes.begin(), bytes.end());
        return importSucceeds;
    }
};


// A record's bytes, built here by hand from the layout.
std::string Record(const std::string& name, std::uint32_t kind, std::uint32_t root, const std::string& payload)
{
    std::string out;
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (8 * i));
    };
    u32(static_cast<std::uint32_t>(payload.size()));
    u32(static_cast<std::uint32_t>(name.size()));
    out += name;
    u32(kind);
    u32(root);
    return out + payload;
}

std::string Bytes(const std::string& path)
{
    const std::vector<unsigned char> bytes = test_support::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

struct Folder {
    test_support::TempFolder temp;
    TFakeRegistry registry;
    std::string Source(const std::string& name, const std::string& content)
    {
        const std::string path = temp.File(name);
        test_support::WriteAll(path, content);
        return path;
    }
};

}  // namespace

TEST(Quarantine, NamesOfRuns)
{
    EXPECT_EQ(QuarantineFileName(2026, 1, 2, 3, 4, 5), "2026_01_02_03_04_05.vqq");
    for (const char* name : {"2026_01_02_03_04_05.vqq", "2026_12_31_23_59_59.VQQ"})
        EXPECT_TRUE(IsQuarantineFileName(name)) << name;
    for (const char* name : {"2026_01_02_03_04_05.vqq.bad", "2026_01_02_03_04.vqq", "notes.txt", "2026-01-02_03_04_05.vqq",
                             "2026_01_02_03_04_0x.vqq", ""})
        EXPECT_FALSE(IsQuarantineFileName(name)) << name;
}

TEST(Quarantine, ItemsGoInAndComeBack)
{
    Folder folder;
    const std::string path = folder.temp.File("2026_01_02_03_04_05.vqq");
    const std::string spy = folder.Source("spy.exe", std::string("MZ\0spyware", 10));
    const std::string empty = folder.Source("empty.dat", "");
    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(path);
    ASSERT_NE(quarantine, nullptr);
    EXPECT_EQ(Bytes(path), "VQQF");
    EXPECT_EQ(list.CreateQuarantine(path), nullptr) << "an existing file is never written over";

    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, spy)), nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikRegistryValue, "Software\\Run", "Spy", kCurrentUser)), nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, empty)), nullptr) << "an empty file is kept as an empty record";
    EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikProcess, "spy.exe")), nullptr);
    EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikRegistryKey, "Software\\Missing", "", kCurrentUser)), nullptr);
    EXPECT_EQ(quarantine->LastError(), "The registry item 'HKCU\\Software\\Missing' can't be exported.");
    EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikFile, folder.temp.File("gone.exe"))), nullptr);
    EXPECT_EQ(quarantine->LastError(), "The file '" + folder.temp.File("gone.exe") + "' no longer exists.");
    const std::string valueExport = "REGEDIT4\r\n\r\n[HKCU\\Software\\Run]\r\n\"Spy\"=\"x\"\r\n";
    EXPECT_EQ(Bytes(path), "VQQF" + Record(spy, 2, 0xFFFFFFFF, std::string("MZ\0spyware", 10)) +
                               Record("Software\\Run = \"Spy\"", 1, 0x80000001, valueExport) +
                               Record(empty, 2, 0xFFFFFFFF, ""));
    EXPECT_FALSE(FileExists(path + ".tmp")) << "the export's temporary file is gone";

    TQuarantine reloaded(nullptr, path, folder.registry);
    ASSERT_EQ(reloaded.Load(), TQuarantineLoad::Loaded);
    ASSERT_EQ(reloaded.Count(), 3);
    EXPECT_EQ(reloaded.Item(0)->Name(), spy);
    EXPECT_EQ(reloaded.Item(0)->Kind(), ikFile);
    EXPECT_EQ(reloaded.Item(0)->RootKey(), kNoRootKey);
    EXPECT_EQ(reloaded.Item(1)->Name(), "Software\\Run = \"Spy\"");
    EXPECT_EQ(reloaded.Item(1)->Kind(), ikRegistryValue);
    EXPECT_EQ(reloaded.Item(1)->RootKey(), kCurrentUser);
    EXPECT_EQ(reloaded.Item(2)->PayloadSize(), 0u);
    EXPECT_EQ(reloaded.TotalSize(), 10u + valueExport.size());
    EXPECT_EQ(reloaded.Item(3), nullptr);

    // Restoring: files from their records, registry items through the
    // registry.
    TQuarantine moved(nullptr, path, folder.registry);
    ASSERT_EQ(moved.Load(), TQuarantineLoad::Loaded);
    RemoveFile(spy);
    RemoveFile(empty);
    EXPECT_TRUE(moved.RestoreAll());
    EXPECT_EQ(Bytes(spy), std::string("MZ\0spyware", 10));
    EXPECT_TRUE(FileExists(empty));
    EXPECT_EQ(Bytes(empty), "");
    EXPECT_EQ(folder.registry.imported, std::vector<std::string>{valueExport});
    EXPECT_EQ(test_support::FolderEntries(folder.temp.Path()),
              (std::vector<std::string>{"2026_01_02_03_04_05.vqq", "empty.dat", "spy.exe"}));
}

TEST(Quarantine, RestoringIntoAMissingFolderGivesTheSameBytes)
{
    Folder folder;
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += static_cast<char>(i * 31 + (i >> 8));
    const std::string original = folder.Source("original.bin", content);
    const std::string target = test_support::Join(folder.temp.File("a"), test_support::Join("b", "restored.bin"));
    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(folder.temp.File("2026_01_01_00_00_00.vqq"));
    ASSERT_NE(quarantine, nullptr);
    TQuarantineItem* item = quarantine->AppendRecord(original, test_support::FoundItem(ikFile, target), target);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name(), target);
    ASSERT_TRUE(item->Restore());
#ifdef _WIN32
    EXPECT_EQ(Bytes(target), content);
#else
    EXPECT_EQ(std::system(("cmp -s '" + original + "' '" + target + "'").c_str()), 0) << "cmp finds a difference";
#endif
}

TEST(Quarantine, DeletingTheMiddleRecordRebuildsTheFile)
{
    Folder folder;
    const std::string path = folder.temp.File("2026_01_02_03_04_05.vqq");
    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(path);
    ASSERT_NE(quarantine, nullptr);
    const std::string a = folder.Source("a.exe", "first"), b = folder.Source("b.exe", "second one"),
                      c = folder.Source("c.exe", "third!");
    for (const std::string& source : {a, b, c})
        ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, source)), nullptr);

    quarantine->Item(1)->Delete();
    const std::string expected = "VQQF" + Record(a, 2, 0xFFFFFFFF, "first") + Record(c, 2, 0xFFFFFFFF, "third!");
    EXPECT_EQ(Bytes(path), expected);
    ASSERT_EQ(quarantine->Count(), 2);
    // The third record moved down, and its item with it.
    RemoveFile(c);
    ASSERT_TRUE(quarantine->Item(1)->Restore());
    EXPECT_EQ(Bytes(c), "third!");
    EXPECT_EQ(test_support::FolderEntries(folder.temp.Path()),
              (std::vector<std::string>{"2026_01_02_03_04_05.vqq", "a.exe", "b.exe", "c.exe"}));

    // Whole files: the quarantine and the sources it was made from.
    quarantine->Delete();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(FileExists(path));
}

TEST(Quarantine, RestoreAllStopsAtTheFirstFailure)
{
    Folder folder;
    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(folder.temp.File("2026_01_02_03_04_05.vqq"));
    ASSERT_NE(quarantine, nullptr);
    const std::string first = folder.Source("first.exe", "1"), third = folder.Source("third.exe", "3");
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, first)), nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikRegistryKey, "Software\\Spy", "", kLocalMachine)), nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, third)), nullptr);
    RemoveFile(first);
    RemoveFile(third);
    folder.registry.importSucceeds = false;
    EXPECT_FALSE(quarantine->RestoreAll());
    EXPECT_TRUE(FileExists(first));
    EXPECT_FALSE(FileExists(third)) << "nothing after the failure is tried";
    EXPECT_EQ(quarantine->Count(), 3) << "restoring removes no record";
}

TEST(Quarantine, FilesThatArentWholeLoseNothing)
{
    const std::string whole = Record("C:\\a.exe", 2, 0xFFFFFFFF, "AAAA") + Record("C:\\b.exe", 2, 0xFFFFFFFF, "BB");
    const struct {
        const char* name;
        std::string content;
        TQuarantineLoad load;
        int items;
        std::string after;  // the file afterwards ("" when it is gone)
        std::string setAside;  // the ".bad" file's content ("" when none)
    } cases[] = {
        {"whole", "VQQF" + whole, TQuarantineLoad::Loaded, 2, "VQQF" + whole, ""},
        {"the magic alone", "VQQF", TQuarantineLoad::MagicOnly, 0, "VQQF", ""},
        {"an empty file", "", TQuarantineLoad::SetAside, 0, "", ""},
        {"a magic in other letters", "vqqf" + whole, TQuarantineLoad::SetAside, 0, "", "vqqf" + whole},
        {"a payload past the end", "VQQF" + whole + Record("C:\\c.exe", 2, 0xFFFFFFFF, "CCCC").substr(0, 25),
         TQuarantineLoad::Loaded, 2, "VQQF" + whole,
         "VQQF" + whole + Record("C:\\c.exe", 2, 0xFFFFFFFF, "CCCC").substr(0, 25)},
        {"a name past the end", "VQQF" + whole + std::string("\x01\0\0\0\xff\0\0\0C:", 10), TQuarantineLoad::Loaded, 2,
         "VQQF" + whole, "VQQF" + whole + std::string("\x01\0\0\0\xff\0\0\0C:", 10)},
        {"a record cut in its size", "VQQF" + whole + "\x01\x02", TQuarantineLoad::Loaded, 2, "VQQF" + whole,
         "VQQF" + whole + "\x01\x02"},
        {"nothing whole after the magic", "VQQF\x05", TQuarantineLoad::MagicOnly, 0, "VQQF", "VQQF\x05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        const std::string path = folder.temp.File("2026_01_02_03_04_05.vqq");
        test_support::WriteAll(path, c.content);
        TQuarantine quarantine(nullptr, path, folder.registry);
        EXPECT_EQ(quarantine.Load(), c.load);
        EXPECT_EQ(quarantine.Count(), c.items);
        if (c.load == TQuarantineLoad::SetAside) {
            EXPECT_FALSE(FileExists(path));
            EXPECT_EQ(Bytes(path + ".bad"), c.content);
        } else {
            EXPECT_EQ(Bytes(path), c.after);
            EXPECT_EQ(FileExists(path + ".bad"), !c.setAside.empty());
            if (!c.setAside.empty()) {
                EXPECT_EQ(Bytes(path + ".bad"), c.setAside);
            }
        }
    }
}

TEST(Quarantine, TheFolderLoadsOnlyQuarantineFiles)
{
    Folder folder;
    const std::string record = Record("C:\\a.exe", 2, 0xFFFFFFFF, "A");
    test_support::WriteAll(folder.temp.File("2026_01_01_00_00_00.vqq"), "VQQF" + record);
    test_support::WriteAll(folder.temp.File("2026_01_01_00_00_01.vqq"), "VQQF");
    test_support::WriteAll(folder.temp.File("2026_01_01_00_00_02.vqq"), "junk");
    test_support::WriteAll(folder.temp.File("notes.txt"), "not ours");
    test_support::WriteAll(folder.temp.File("2026_01_01_00_00_03.vqq.bad"), "set aside before");
    std::filesystem::create_directories(folder.temp.File("2026_01_01_00_00_04.vqq"));

    TQuarantineList list(folder.registry);
    list.LoadFolder(folder.temp.Path());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(0)->Count(), 1);
    EXPECT_EQ(list.Item(1), nullptr);
    EXPECT_EQ(test_support::FolderEntries(folder.temp.Path()),
              (std::vector<std::string>{"2026_01_01_00_00_00.vqq", "2026_01_01_00_00_02.vqq.bad",
                                        "2026_01_01_00_00_03.vqq.bad", "2026_01_01_00_00_04.vqq", "notes.txt"}));
}

TEST(Quarantine, AnAppendIsOnTheDeviceOrFails)
{
    Folder folder;
    const std::string spy = folder.Source("spy.exe", "MZ spy");
    // The record goes out of stdio whole, but the system can't flush it to
    // a disk: the original must not be removed on the strength of it.
    TQuarantine device(nullptr, test_support::kUnflushableDevice, folder.registry);
    EXPECT_EQ(device.AddItem(test_support::FoundItem(ikFile, spy)), nullptr);
    EXPECT_EQ(device.LastError(), "The quarantine file '" + std::string(test_support::kUnflushableDevice) +
                                      "' can't be written.");
    EXPECT_EQ(device.Count(), 0);

    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(folder.temp.File("2026_01_01_00_00_00.vqq"));
    ASSERT_NE(quarantine, nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, spy)), nullptr);
    EXPECT_EQ(Bytes(quarantine->Path()), "VQQF" + Record(spy, 2, 0xFFFFFFFF, "MZ spy"));
}

#ifdef __linux__
namespace {

// Files of this process can't grow past `limit` bytes while it lives: a
// write past it fails as on a full disk.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        lowered.rlim_cur = limit;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace

TEST(Quarantine, AnAppendThatDoesntReachTheFileIsCutBack)
{
    Folder folder;
    const std::string first = folder.Source("first.exe", "MZ first");
    const std::string big = folder.Source("big.bin", std::string(100000, 'b'));
    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(folder.temp.File("2026_01_01_00_00_00.vqq"));
    ASSERT_NE(quarantine, nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, first)), nullptr);
    const std::string before = Bytes(quarantine->Path());
    {
        // Room for part of the record only, the way a disk fills up.
        const TFileSizeLimit limit(before.size() + 5000);
        EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikFile, big)), nullptr);
    }
    EXPECT_EQ(quarantine->LastError(), "The quarantine file '" + quarantine->Path() + "' can't be written.");
    EXPECT_EQ(Bytes(quarantine->Path()), before) << "the file ends after its last whole record";
    EXPECT_EQ(quarantine->Count(), 1);
    // The next append goes where the failed one began.
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikFile, first)), nullptr);
    TQuarantine reloaded(nullptr, quarantine->Path(), folder.registry);
    EXPECT_EQ(reloaded.Load(), TQuarantineLoad::Loaded);
    EXPECT_EQ(reloaded.Count(), 2);
}
#endif

#ifndef _WIN32
TEST(Quarantine, ASourceOf4GiBIsRefused)
{
    Folder folder;
    const std::string big = folder.temp.File("big.iso");
    test_support::WriteAll(big, "x");
    std::filesystem::resize_file(big, 0x100000000ull);  // sparse: nothing is written
    TQuarantineList list(folder.registry);
    TQuarantine* quarantine = list.CreateQuarantine(folder.temp.File("2026_01_01_00_00_00.vqq"));
    ASSERT_NE(quarantine, nullptr);
    EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikFile, big)), nullptr);
    EXPECT_EQ(quarantine->LastError(),
              "The file '" + big + "' is 4 GB or larger and can't be kept in the quarantine.");
    EXPECT_EQ(Bytes(quarantine->Path()), "VQQF");
}
#endif
