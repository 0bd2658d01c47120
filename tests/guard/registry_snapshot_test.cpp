#include "guard/registry_utils.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "classlib/file_system.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

using test_support::Bin;
using test_support::Dword;
using test_support::Sz;

namespace {

TSingleFreeze KeyGuard(const std::string& path, std::uint32_t id = 0x1234)
{
    TSingleFreeze g;
    g.RootKeyName = "HKEY_CURRENT_USER";
    g.KeyPath = path;
    g.Kind = gkKey;
    g.Id = id;
    return g;
}

struct QueriedValue {
    std::string type;
    std::string data;
};

// `reg query /s` of a key under HKCU: key path below HKCU -> value name -> type and data as reg prints them.
std::map<std::string, std::map<std::string, QueriedValue>> RegQuery(const std::string& path)
{
    const std::string out = test_support::RunAndCapture("reg.exe query \"HKCU\\" + path + "\" /s");
    std::map<std::string, std::map<std::string, QueriedValue>> keys;
    std::istringstream in(out);
    std::string line, current;
    const std::string prefix = "HKEY_CURRENT_USER\\";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0) {
            current = line.substr(prefix.size());
            keys[current];
        } else if (line.rfind("    ", 0) == 0 && !current.empty()) {
            const std::string rest = line.substr(4);
            const size_t a = rest.find("    ");
            const size_t b = rest.find("    ", a + 4);
            std::string name = rest.substr(0, a);
            if (name == "(Default)")
                name.clear();
            keys[current][name] = QueriedValue{rest.substr(a + 4, b == std::string::npos ? std::string::npos : b - a - 4),
                                               b == std::string::npos ? std::string() : rest.substr(b + 4)};
        }
    }
    return keys;
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (auto b : bytes) {
        s += kHex[b >> 4];
        s += kHex[b & 15];
    }
    return s;
}

}  // namespace

TEST(RegistrySnapshot, ARealTreeMatchesWhatRegQuerySees)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    const String data = IncludeTrailingPathDelimiter(folder.Path());
    ASSERT_TRUE(ForceDirectories(data + "snapshoots"));
    test_support::Plant(key.Path(), {
        {"", {{"text", Sz("hello")}, {"path", Sz("%TEMP%\\x", REG_EXPAND_SZ)}, {"count", Dword(0xFFFFFFFE)},
              {"blob", Bin({0x00, 0x01, 0xFF})}, {"empty", Bin({})}, {"multi", {REG_MULTI_SZ, {'a', 0, 'b', 0, 0}}},
              {"", Sz("default")}}},
        {"one", {{"inner", Sz("deep")}}},
        {"one\\two", {}},
        {"three", {{"n", Dword(5)}}},
    });
    const TSingleFreeze guard = KeyGuard(key.Path());
    TRegistryShapshoot taken;
    ASSERT_TRUE(TakeGuardSnapshot(taken, guard, data));
    TRegistryShapshoot loaded;
    ASSERT_TRUE(LoadGuardSnapshot(loaded, guard, data));

    const auto queried = RegQuery(key.Path());
    ASSERT_EQ(queried.size(), 4u);
    ASSERT_EQ(loaded.KeyCount(), 4);
    std::set<std::string> names;
    for (int k = 0; k < loaded.KeyCount(); ++k) {
        const TRegistryShapshoot& record = *loaded.GetKey(k);
        EXPECT_EQ(record.Root, kRootCurrentUser);
        ASSERT_EQ(record.Name.back(), '\\');
        const std::string path = record.Name.substr(0, record.Name.size() - 1);
        names.insert(path);
        ASSERT_TRUE(queried.count(path)) << path;
        const auto& values = queried.at(path);
        ASSERT_EQ(static_cast<size_t>(record.ValueCount()), values.size()) << path;
        for (int v = 0; v < record.ValueCount(); ++v) {
            const TSnapshootValue& value = *record.GetValue(v);
            ASSERT_TRUE(values.count(value.Name)) << value.Name;
            const QueriedValue& q = values.at(value.Name);
            switch (value.Type) {
            case stString: EXPECT_EQ(q.type, "REG_SZ"); EXPECT_EQ(q.data, value.AsText()); break;
            case stExpandString: EXPECT_EQ(q.type, "REG_EXPAND_SZ"); EXPECT_EQ(q.data, value.AsText()); break;
            case stInteger: {
                char text[16];
                std::snprintf(text, sizeof text, "0x%x", value.AsInteger());
                EXPECT_EQ(q.type, "REG_DWORD");
                EXPECT_EQ(q.data, text);
                break;
            }
            case stBinary: EXPECT_EQ(q.type, "REG_BINARY"); EXPECT_EQ(q.data, Hex(value.Data)); break;
            default:
                EXPECT_EQ(q.type, "REG_MULTI_SZ");  // stored by name only
                EXPECT_TRUE(value.Data.empty());
            }
        }
    }
    EXPECT_EQ(names.size(), 4u);
    // Depth first: a key comes before its own subkeys.
    EXPECT_EQ(loaded.GetKey(0)->Name, key.Path() + "\\");
    // "one" and "three" in whichever order the registry lists them.
    const int one = loaded.GetKey(1)->Name == key.Path() + "\\one\\" ? 1 : 2;
    EXPECT_EQ(loaded.GetKey(one + 1)->Name, key.Path() + "\\one\\two\\");
}

TEST(RegistrySnapshot, AValueGuardCreatesItsMissingValueAsAnEmptyString)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    const String data = IncludeTrailingPathDelimiter(folder.Path());
    ASSERT_TRUE(ForceDirectories(data + "snapshoots"));
    TSingleFreeze guard = KeyGuard(key.Sub("made\\here"), 0xFFFFFFFFu);
    guard.Kind = gkValue;
    guard.ValueName = "Start Page";
    TRegistryShapshoot snapshot;
    ASSERT_TRUE(TakeGuardSnapshot(snapshot, guard, data));
    EXPECT_TRUE(FileExists(data + "snapshoots\\FFFFFFFF.snap"));
    ASSERT_EQ(snapshot.ValueCount(), 1);
    EXPECT_EQ(snapshot.Name, guard.KeyPath);  // a value snapshot's record has no trailing backslash
    EXPECT_EQ(snapshot.GetValue(0)->Type, stString);
    EXPECT_EQ(snapshot.GetValue(0)->Data, std::vector<std::uint8_t>{0});
    const auto queried = RegQuery(key.Sub("made\\here"));
    ASSERT_TRUE(queried.count(key.Sub("made\\here")));
    EXPECT_EQ(queried.at(key.Sub("made\\here")).at("Start Page").type, "REG_SZ");
}

TEST(RegistrySnapshot, AnEmptyKeyAndFileNames)
{
    test_support::TestKey key;
    test_support::TempFolder folder;
    const String data = IncludeTrailingPathDelimiter(folder.Path());
    ASSERT_TRUE(ForceDirectories(data + "snapshoots"));
    const TSingleFreeze guard = KeyGuard(key.Path(), 255);
    EXPECT_EQ(GetSnapshotFileName(&guard, data), data + "snapshoots\\000000FF.snap");
    EXPECT_EQ(GetSnapshotFileName(nullptr, data), "");
    EXPECT_FALSE(SnapshotExists(guard, data));
    TRegistryShapshoot snapshot;
    EXPECT_FALSE(LoadGuardSnapshot(snapshot, guard, data));
    ASSERT_TRUE(TakeGuardSnapshot(snapshot, guard, data));
    EXPECT_TRUE(SnapshotExists(guard, data));
    const String name = key.Path() + "\\";
    std::vector<unsigned char> expected = {'V', 'Q', 'S', 'F', 1, 0, 0, 0, 1, 0, 0, 0};
    expected.insert(expected.end(), name.begin(), name.end());
    expected.insert(expected.end(), {0, 0, 0, 0, 0});
    EXPECT_EQ(test_support::ReadAll(GetSnapshotFileName(&guard, data)), expected);
    EXPECT_EQ(test_support::FolderEntries(data + "snapshoots"), std::vector<std::string>{"000000FF.snap"});

    // Writing into a missing folder fails and leaves nothing.
    EXPECT_FALSE(TakeGuardSnapshot(snapshot, guard, data + "missing\\"));
}

TEST(Registry, ReadsAreSafeOnOddValues)
{
    test_support::TestKey key;
    test_support::SetValue(key.Path(), "short", Bin({0x34, 0x12}));
    test_support::SetValue(key.Path(), "unterminated", {REG_SZ, {'a', 'b', 'c'}});
    test_support::SetValue(key.Path(), "embedded", {REG_SZ, {'a', 0, 'b', 0}});
    test_support::CreateKey(key.Sub("child"));
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    std::uint32_t number = 0xFFFFFFFF;
    EXPECT_TRUE(registry.ReadInteger("short", number));
    EXPECT_EQ(number, 0x1234u);
    String text;
    EXPECT_TRUE(registry.ReadString("unterminated", text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(registry.ReadString("embedded", text));
    EXPECT_EQ(text, "a");
    EXPECT_EQ(registry.GetDataType("short"), rdBinary);
    EXPECT_EQ(registry.GetDataSize("short"), 2);
    EXPECT_EQ(registry.GetDataSize("missing"), -1);
    EXPECT_EQ(registry.GetDataType("missing"), rdUnknown);
    EXPECT_FALSE(registry.ReadString("missing", text));
    EXPECT_TRUE(registry.HasSubKeys());

    // Every open starts from the root, never from the key open before.
    EXPECT_FALSE(registry.OpenKey("child", false));
    EXPECT_TRUE(registry.OpenKey(key.Sub("child"), false));
    registry.CloseKey();
    EXPECT_FALSE(registry.WriteString("x", "y"));
    EXPECT_FALSE(registry.ValueExists("short"));

    TRegistry readOnly;
    readOnly.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(key.Path()));
    std::vector<String> names;
    EXPECT_TRUE(readOnly.GetValueNames(names));
    EXPECT_EQ(names.size(), 3u);
    EXPECT_TRUE(readOnly.GetKeyNames(names));
    EXPECT_EQ(names, std::vector<String>{"child"});
}
