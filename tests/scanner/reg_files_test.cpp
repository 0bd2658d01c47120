// Registry items as REGEDIT4 files in a real registry: a tree holding every
// value type goes out and comes back byte for byte; the system's registry
// editor imports our files and reg.exe shows the same tree; single values,
// missing keys, keys whose names the text can't carry and refused arguments
// leave no file behind.
#include "scanner/reg_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "classlib/file_system.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

namespace {

using test_support::RegTree;
using test_support::RegValue;

std::vector<unsigned char> Counting(size_t n)
{
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    return bytes;
}

RegValue Raw(DWORD type, const std::string& bytes) { return RegValue{type, {bytes.begin(), bytes.end()}}; }

// Every type, the awkward strings and names, and list lengths around the
// line breaks.
RegTree EveryKindOfValue()
{
    return {
        {"", {{"", test_support::Sz("the default")},
              {"text", test_support::Sz("C:\\Program Files\\Spy \"quoted\" \\\\")},
              {"name \"with\" = and \\", test_support::Sz("x")},
              {"empty text", test_support::Sz("")},
              {"text without zero", Raw(REG_SZ, "abc")},
              {"text of no bytes", Raw(REG_SZ, "")},
              {"text with breaks", test_support::Sz("line one\r\nline two")},
              {"text with inner zero", Raw(REG_SZ, std::string("a\0b", 4))},
              {"expand", test_support::Sz("%SystemRoot%\\spy.dll", REG_EXPAND_SZ)},
              {"expand without zero", Raw(REG_EXPAND_SZ, "%TEMP%")},
              {"multi", Raw(REG_MULTI_SZ, std::string("one\0two\0\0", 9))},
              {"multi without zeros", Raw(REG_MULTI_SZ, "one")},
              {"dword", test_support::Dword(0xDEADBEEF)},
              {"short dword", Raw(REG_DWORD, "\x01\x02")},
              {"big-endian dword", Raw(REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x05", 4))},
              {"qword", Raw(REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8))},
              {"none", Raw(REG_NONE, "\xff")},
              {"binary 0", test_support::Bin({})},
              {"binary 25", test_support::Bin(Counting(25))},
              {"binary 26", test_support::Bin(Counting(26))},
              {"binary 49", test_support::Bin(Counting(49))},
              {"binary 50", test_support::Bin(Counting(50))},
              {"binary 300", test_support::Bin(Counting(300))}}},
        {"Sub", {{"inner", test_support::Dword(1)}}},
        {"Sub\\Deeper", {{"", test_support::Sz("deep")}}},
        {"Empty", {}},
    };
}

String FullPath(const test_support::TestKey& key) { return key.Path(); }

}  // namespace

TEST(RegFiles, AKeyTreeGoesOutAndComesBackByteForByte)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    const RegTree tree = EveryKindOfValue();
    test_support::Plant(key.Path(), tree);
    ASSERT_EQ(test_support::Dump(key.Path()), tree);

    const String file = folder.File("tree.reg");
    ASSERT_TRUE(ExportToRegFile(kCurrentUser, FullPath(key), std::nullopt, true, file, true));
    test_support::DeleteTree(key.Path());
    ASSERT_TRUE(test_support::Dump(key.Path()).empty());

    SetLastError(12345);
    ASSERT_TRUE(ImportRegFile(file));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(test_support::Dump(key.Path()), tree);
    // Each value as RegQueryValueEx gives it, too.
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
    for (const auto& [name, expected] : tree.at("")) {
        std::vector<unsigned char> data(4096);
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        ASSERT_EQ(RegQueryValueExA(opened, name.c_str(), nullptr, &type, data.data(), &size), ERROR_SUCCESS) << name;
        data.resize(size);
        EXPECT_EQ((RegValue{type, data}), expected) << name;
    }
    RegCloseKey(opened);
}

TEST(RegFiles, TheRegistryEditorImportsOurFilesAndRegShowsTheSameTree)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    // What the system's editor stores as we do: texts with their zeros,
    // expandable and multiple texts, dwords and byte lists.
    const RegTree tree = {
        {"", {{"", test_support::Sz("the default")},
              {"text", test_support::Sz("C:\\Spy \"quoted\"")},
              {"expand", test_support::Sz("%SystemRoot%\\spy.dll", REG_EXPAND_SZ)},
              {"multi", Raw(REG_MULTI_SZ, std::string("one\0two\0\0", 9))},
              {"dword", test_support::Dword(42)},
              {"binary 60", test_support::Bin(Counting(60))}}},
        {"Sub", {{"inner", test_support::Sz("x")}}},
    };
    test_support::Plant(key.Path(), tree);
    const String file = folder.File("peer.reg");
    ASSERT_TRUE(ExportToRegFile(kCurrentUser, FullPath(key), std::nullopt, true, file, true));
    test_support::DeleteTree(key.Path());

    DWORD exitCode = 1;
    test_support::RunAndCapture("regedit.exe /S \"" + file + "\"", &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(test_support::Dump(key.Path()), tree);

    const std::string listed = test_support::RunAndCapture("reg.exe query \"HKCU\\" + key.Path() + "\" /s");
    for (const char* shown : {"\\Sub", "text", "expand", "multi", "dword", "binary 60", "inner", "REG_EXPAND_SZ",
                              "REG_MULTI_SZ", "0x2a", "C:\\Spy \"quoted\""})
        EXPECT_NE(listed.find(shown), std::string::npos) << shown << "\n" << listed;
}

TEST(RegFiles, OneValueAndWhatLeavesNoFile)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    test_support::SetValue(key.Path(), "Spy", test_support::Sz("C:\\spy.exe"));
    test_support::SetValue(key.Sub("Child"), "Other", test_support::Dword(2));
    const String file = folder.File("value.reg");

    ASSERT_TRUE(ExportToRegFile(kCurrentUser, FullPath(key), String("Spy"), false, file, true));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes));
    EXPECT_EQ(String(bytes.begin(), bytes.end()),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + key.Path() + "]\r\n\"Spy\"=\"C:\\\\spy.exe\"\r\n\r\n");
    test_support::DeleteValue(key.Path(), "Spy");
    ASSERT_TRUE(ImportRegFile(file));
    EXPECT_EQ(test_support::Dump(key.Path()).at("").at("Spy"), test_support::Sz("C:\\spy.exe"));

    // Without a header: what the backup log collects.
    ASSERT_TRUE(ExportToRegFile(kCurrentUser, FullPath(key), std::nullopt, false, file, false));
    ASSERT_TRUE(ReadFileBytes(file, bytes));
    EXPECT_EQ(String(bytes.begin(), bytes.end()),
              "[HKEY_CURRENT_USER\\" + key.Path() + "]\r\n\"Spy\"=\"C:\\\\spy.exe\"\r\n\r\n");

    const struct {
        const char* name;
        std::optional<String> value;
        bool withSubkeys;
        String path;
    } refused[] = {
        {"a missing value", String("Nothing"), false, FullPath(key)},
        {"a missing key", std::nullopt, true, FullPath(key) + "\\Nothing"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        test_support::WriteAll(file, "old");
        EXPECT_FALSE(ExportToRegFile(kCurrentUser, c.path, c.value, c.withSubkeys, file, true));
        EXPECT_FALSE(FileExists(file));
    }
    // Arguments that are refused before anything is written.
    test_support::WriteAll(file, "old");
    EXPECT_FALSE(ExportToRegFile(kCurrentUser, FullPath(key), String("Spy"), true, file, true));
    EXPECT_EQ(test_support::ReadAll(file), std::vector<unsigned char>({'o', 'l', 'd'}));
    EXPECT_FALSE(ExportToRegFile(kCurrentUser, FullPath(key), std::nullopt, true, "", true));

    const struct {
        const char* name;
        String fileName;
        const char* text;  // null: no file
        DWORD error;
    } imports[] = {
        {"no file name", "", nullptr, ERROR_INVALID_PARAMETER},
        {"a missing file", folder.File("missing.reg"), nullptr, ERROR_FILE_NOT_FOUND},
        {"a header in lower case", folder.File("bad.reg"), "regedit4\r\n", 11},
        {"an unknown root", folder.File("bad.reg"), "REGEDIT4\r\n\r\n[HKEY_SOMEWHERE\\X]\r\n", 11},
        {"a value without a key", folder.File("bad.reg"), "REGEDIT4\r\n\r\n\"v\"=\"x\"\r\n", ERROR_INVALID_HANDLE},
    };
    for (const auto& c : imports) {
        SCOPED_TRACE(c.name);
        if (c.text)
            test_support::WriteAll(c.fileName, std::string(c.text));
        EXPECT_FALSE(ImportRegFile(c.fileName));
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(RegFiles, AKeyNamedWithALineBreakFailsTheExport)
{
    // The text can't carry such a name: an export without it would let the
    // key go with no copy that brings it back.
    test_support::TestKey key;
    test_support::TempFolder folder;
    test_support::SetValue(key.Sub("Plain"), "Spy", test_support::Sz("C:\\spy.exe"));
    test_support::SetValue(key.Sub("Line\nBreak"), "Spy", test_support::Sz("C:\\spy.exe"));
    test_support::SetValue(key.Sub("Carriage\rReturn"), "Spy", test_support::Sz("C:\\spy.exe"));
    ASSERT_EQ(test_support::Dump(key.Path()).count("Line\nBreak"), 1u) << "the registry takes such names";
    const String file = folder.File("key.reg");

    const struct {
        const char* name;
        String path;
        std::optional<String> value;
        bool withSubkeys;
    } cases[] = {
        {"a subkey named with a line feed", key.Path(), std::nullopt, true},
        {"the key itself named with a line feed", key.Sub("Line\nBreak"), std::nullopt, false},
        {"the key itself named with a carriage return", key.Sub("Carriage\rReturn"), std::nullopt, true},
        {"a value of a key named with a line feed", key.Sub("Line\nBreak"), String("Spy"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::WriteAll(file, "old");
        EXPECT_FALSE(ExportToRegFile(kCurrentUser, c.path, c.value, c.withSubkeys, file, true));
        EXPECT_FALSE(FileExists(file));
    }
    // Without the subkeys the key's own block goes out as ever.
    EXPECT_TRUE(ExportToRegFile(kCurrentUser, key.Path(), std::nullopt, false, file, true));
    EXPECT_TRUE(ExportToRegFile(kCurrentUser, key.Sub("Plain"), std::nullopt, true, file, true));
}
