#include "guard/registry_snapshot.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<TSnapshootValue> Value(const String& name, std::uint8_t type, Bytes data)
{
    auto v = std::make_unique<TSnapshootValue>();
    v->Name = name;
    v->Type = type;
    v->Data = std::move(data);
    return v;
}

Bytes Text(const char* s, bool nul = true)
{
    Bytes b(s, s + std::strlen(s));
    if (nul)
        b.push_back(0);
    return b;
}

Bytes U32(std::uint32_t v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}; }

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A key guard's snapshot made by hand: the top key with every kind of value,
// and one subkey.
TRegistryShapshoot Fixture()
{
    TRegistryShapshoot top;
    top.Root = kRootCurrentUser;
    top.Name = "Software\\Guarded\\";
    top.AddValue(Value("s", stString, Text("text")));
    top.AddValue(Value("e", stExpandString, Text("%TEMP%")));
    top.AddValue(Value("d", stInteger, U32(0x01020304)));
    top.AddValue(Value("b", stBinary, {0xDE, 0xAD}));
    top.AddValue(Value("empty", stBinary, {}));
    top.AddValue(Value("multi", stOther, {}));
    auto sub = std::make_unique<TRegistryShapshoot>();
    sub->Root = kRootCurrentUser;
    sub->Name = "Software\\Guarded\\sub\\";
    sub->AddValue(Value("", stString, Text("default")));
    top.AddKey(std::move(sub));
    return top;
}

Bytes FixtureBytes()
{
    return Cat({Text("VQSF", false), U32(2),
                U32(1), Text("Software\\Guarded\\"), U32(6),
                U32(1), Text("s"), Text("text"),
                U32(2), Text("e"), Text("%TEMP%"),
                U32(3), Text("d"), U32(0x01020304),
                U32(4), Text("b"), U32(2), {0xDE, 0xAD},
                U32(4), Text("empty"), U32(0),
                U32(0), Text("multi"),
                U32(1), Text("Software\\Guarded\\sub\\"), U32(1),
                U32(1), Text(""), Text("default")});
}

Bytes Write(const TRegistryShapshoot& s)
{
    TMemoryStream stream;
    WriteSnapshot(s, stream);
    return stream.Bytes();
}

void ExpectSame(const TRegistryShapshoot& a, const TRegistryShapshoot& b)
{
    ASSERT_EQ(a.KeyCount(), b.KeyCount());
    for (int k = 0; k < a.KeyCount(); ++k) {
        const TRegistryShapshoot& ka = *a.GetKey(k);
        const TRegistryShapshoot& kb = *b.GetKey(k);
        EXPECT_EQ(ka.Root, kb.Root);
        EXPECT_EQ(ka.Name, kb.Name);
        ASSERT_EQ(ka.ValueCount(), kb.ValueCount());
        for (int v = 0; v < ka.ValueCount(); ++v) {
            EXPECT_EQ(ka.GetValue(v)->Name, kb.GetValue(v)->Name);
            EXPECT_EQ(ka.GetValue(v)->Type, kb.GetValue(v)->Type);
            EXPECT_EQ(ka.GetValue(v)->Data, kb.GetValue(v)->Data);
        }
    }
}

}  // namespace

TEST(SnapshotFile, GoldenBytesRoundTrip)
{
    const TRegistryShapshoot fixture = Fixture();
    EXPECT_EQ(Write(fixture), FixtureBytes());
    TMemoryStream stream(FixtureBytes());
    TRegistryShapshoot back;
    ASSERT_TRUE(ReadSnapshot(back, stream));
    ExpectSame(back, fixture);
    EXPECT_EQ(back.FindKey("Software\\Guarded\\sub\\"), back.GetKey(1));
    EXPECT_EQ(back.FindKey("software\\guarded\\sub\\"), nullptr);  // names match exactly
    EXPECT_EQ(back.FindValue("d")->AsInteger(), 0x01020304u);
    EXPECT_EQ(back.FindValue("e")->AsText(), "%TEMP%");
    EXPECT_EQ(back.GetKey(2), nullptr);
    EXPECT_EQ(back.GetKey(-1), nullptr);
}

TEST(SnapshotFile, EveryTruncationKeepsTheWholeKeysAndSaysIncomplete)
{
    const Bytes whole = FixtureBytes();
    // The top record ends where the subkey's root index starts.
    const size_t topEnd = whole.size() - Cat({U32(1), Text("Software\\Guarded\\sub\\"), U32(1), U32(1), Text(""), Text("default")}).size();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        TMemoryStream stream(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
        TRegistryShapshoot back;
        back.Name = "stale";
        EXPECT_FALSE(ReadSnapshot(back, stream)) << cut;
        if (cut < topEnd) {
            EXPECT_EQ(back.KeyCount(), 1) << cut;
            EXPECT_EQ(back.ValueCount(), 0) << cut;
            EXPECT_EQ(back.Name, "") << cut;
        } else {
            EXPECT_EQ(back.KeyCount(), 1) << cut;  // the cut subkey is dropped
            EXPECT_EQ(back.ValueCount(), 6) << cut;
        }
    }
}

TEST(SnapshotFile, ForeignOrLyingFilesAreRefused)
{
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"other magic", Cat({Text("VQSG", false), U32(1), U32(1), Text("k"), U32(0)})},
        {"no keys", Cat({Text("VQSF", false), U32(0)})},
        {"binary length past the end", Cat({Text("VQSF", false), U32(1), U32(1), Text("k"), U32(1), U32(4), Text("b"), U32(0xFFFFFFF0), {1, 2}})},
        {"value count past the end", Cat({Text("VQSF", false), U32(1), U32(1), Text("k"), U32(0x7FFFFFFF)})},
        {"key count past the end", Cat({Text("VQSF", false), U32(0xFFFFFFFF), U32(1), Text("k"), U32(0)})},
        {"name without its NUL", Cat({Text("VQSF", false), U32(1), U32(1), Text("k", false)})},
    };
    for (const Case& c : cases) {
        TMemoryStream stream(c.bytes);
        TRegistryShapshoot back;
        EXPECT_FALSE(ReadSnapshot(back, stream)) << c.what;
    }
}

TEST(SnapshotFile, RootsAndTheirNames)
{
    EXPECT_EQ(RootKeyFromName("HKEY_LOCAL_MACHINE"), kRootLocalMachine);
    EXPECT_EQ(RootKeyFromName("hkey_local_machine"), kRootCurrentConfig);  // exact names only
    EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_CONFIG"), kRootCurrentConfig);
    EXPECT_EQ(RootKeyFromName(""), kRootCurrentConfig);
    EXPECT_EQ(SnapshotRootIndex(kRootUsers), 3u);
    EXPECT_EQ(SnapshotRootIndex(kRootCurrentConfig), 4u);
    EXPECT_EQ(RootFromSnapshotIndex(9), kRootCurrentConfig);
    EXPECT_EQ(RootAbbreviation(kRootClassesRoot), "HKCR\\");
    EXPECT_EQ(RootAbbreviation(0x80000004u), "");

    // A stored root index outside 0-4 reads as HKEY_CURRENT_CONFIG.
    TMemoryStream stream(Cat({Text("VQSF", false), U32(1), U32(77), Text("k"), U32(0)}));
    TRegistryShapshoot back;
    EXPECT_TRUE(ReadSnapshot(back, stream));
    EXPECT_EQ(back.Root, kRootCurrentConfig);
}

TEST(SnapshotFile, ValueReadersAreSafeOnShortData)
{
    TSnapshootValue v;
    v.Data = {0x05, 0x01};
    EXPECT_EQ(v.AsInteger(), 0x105u);  // fewer than four bytes: zero-filled
    v.Data = {'a', 'b', 0, 'c'};
    EXPECT_EQ(v.AsText(), "ab");
    v.Data.clear();
    EXPECT_EQ(v.AsText(), "");
    EXPECT_EQ(v.AsInteger(), 0u);
}
