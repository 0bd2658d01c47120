// The quarantine with the real registry and Windows file locks: a key with
// its subkeys and a single value are quarantined and restored, a key the
// export can't carry is kept from removal, a locked source and a quarantine
// file held by another program leave everything as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include "classlib/file_system.h"
#include "scanner/reg_files.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"
#include "test_scanners.h"

TEST(QuarantineWithRegistry, KeysAndValuesComeBack)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    const test_support::RegTree tree = {
        {"", {{"Spy", test_support::Sz("C:\\spy.exe")}, {"Keep", test_support::Dword(7)}}},
        {"Toolbar", {{"", test_support::Sz("bar")}, {"data", test_support::Bin({1, 2, 3})}}},
    };
    test_support::Plant(key.Path(), tree);

    TRegFileQuarantineRegistry registry;
    TQuarantineList list(registry);
    TQuarantine* quarantine = list.CreateQuarantine(folder.File("2026_01_01_00_00_00.vqq"));
    ASSERT_NE(quarantine, nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikAutorunValue, key.Path(), "Spy", kCurrentUser)), nullptr);
    ASSERT_NE(quarantine->AddItem(test_support::FoundItem(ikRegistryKey, key.Sub("Toolbar"), "", kCurrentUser)), nullptr);
    EXPECT_EQ(quarantine->Item(0)->Name(), key.Path() + " = \"Spy\"");

    test_support::DeleteValue(key.Path(), "Spy");
    test_support::DeleteTree(key.Sub("Toolbar"));
    ASSERT_NE(test_support::Dump(key.Path()), tree);
    ASSERT_TRUE(quarantine->RestoreAll());
    EXPECT_EQ(test_support::Dump(key.Path()), tree);
    EXPECT_EQ(test_support::FolderEntries(folder.Path()), std::vector<std::string>{"2026_01_01_00_00_00.vqq"});
}

TEST(QuarantineWithRegistry, AKeyWhoseSubkeyTheExportCantCarryIsNotRemoved)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    const test_support::RegTree tree = {
        {"", {{"Spy", test_support::Sz("C:\\spy.exe")}}},
        {"Line\nBreak", {{"", test_support::Sz("hidden")}}},
    };
    test_support::Plant(key.Path(), tree);
    TRegFileQuarantineRegistry registry;
    TQuarantineList list(registry);
    const String path = folder.File("2026_01_01_00_00_00.vqq");
    TQuarantine* quarantine = list.CreateQuarantine(path);
    ASSERT_NE(quarantine, nullptr);

    // The removal run: the owner keeps the quarantine copy before each
    // removal, and a scanner removes only what was kept.
    test_support::TScriptedEngine scripted;
    std::vector<String> errors;
    scripted.engine.OnFixing = [&](TSearchResultInterface& item, const String&) {
        return quarantine->AddItem(item) != nullptr;
    };
    scripted.engine.OnError = [&](TSearchResultInterface&, const String& text) { errors.push_back(text); };
    scripted["KEY"].items = {{ikRegistryKey, kCurrentUser, key.Path(), ""}};
    scripted.engine.Search();
    ASSERT_EQ(scripted["KEY"].ResultCount(), 1);
    scripted["KEY"].Result(0)->Checked = true;
    scripted.engine.RemoveChecked();

    EXPECT_EQ(scripted["KEY"].ResultCount(), 1) << "the key stays found, not removed";
    EXPECT_EQ(errors, std::vector<String>{"Unable to keep a quarantine copy of '" + key.Path() + "'! It was not removed."});
    EXPECT_EQ(quarantine->LastError(), "The registry item 'HKCU\\" + key.Path() + "' can't be exported.");
    EXPECT_EQ(quarantine->Count(), 0);
    EXPECT_EQ(test_support::ReadAll(path), std::vector<unsigned char>({'V', 'Q', 'Q', 'F'}));
    EXPECT_EQ(test_support::FolderEntries(folder.Path()), std::vector<std::string>{"2026_01_01_00_00_00.vqq"});
    EXPECT_EQ(test_support::Dump(key.Path()), tree);
}

TEST(QuarantineWithRegistry, LockedFilesChangeNothing)
{
    test_support::TempFolder folder;
    TRegFileQuarantineRegistry registry;
    TQuarantineList list(registry);
    const String path = folder.File("2026_01_01_00_00_00.vqq");
    TQuarantine* quarantine = list.CreateQuarantine(path);
    ASSERT_NE(quarantine, nullptr);

    const String locked = folder.File("locked.exe");
    test_support::WriteAll(locked, "MZ locked");
    const HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikFile, locked)), nullptr);
    EXPECT_EQ(quarantine->LastError(), "The file '" + locked + "' can't be read.");
    CloseHandle(held);

    const String plain = folder.File("plain.exe");
    test_support::WriteAll(plain, "MZ plain");
    // Held by someone else without sharing.
    const HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_EQ(quarantine->AddItem(test_support::FoundItem(ikFile, plain)), nullptr);
    EXPECT_EQ(quarantine->LastError(), "The quarantine file '" + path + "' can't be written.");
    CloseHandle(busy);
    EXPECT_EQ(test_support::ReadAll(path), std::vector<unsigned char>({'V', 'Q', 'Q', 'F'}));
    EXPECT_EQ(quarantine->Count(), 0);
}
