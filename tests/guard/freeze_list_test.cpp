#include "guard/freeze_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "guard/postponed_log.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<TSingleFreeze> Guard(const String& name, std::uint32_t id)
{
    auto g = std::make_unique<TSingleFreeze>();
    g->State = gsNotActive;
    g->AutoUpdate = true;
    g->RootKeyName = "HKEY_CURRENT_USER";
    g->KeyPath = "Software\\Test";
    g->ValueName = "Start Page";
    g->DisplayName = name;
    g->Comment = "";
    g->Kind = gkValue;
    g->Reaction = grAsk;
    g->GuidText = "{00000000-0000-0000-0000-000000000001}";
    g->Id = id;
    return g;
}

Bytes Save(TFreezeList& list)
{
    TMemoryStream stream;
    WriteComponentRes(stream, list);
    return stream.Bytes();
}

void Load(const Bytes& bytes, TFreezeList& list)
{
    TMemoryStream stream(bytes);
    ReadComponentRes(stream, list);
}

std::vector<TSingleFreeze> Records(const TFreezeList& list)
{
    std::vector<TSingleFreeze> records;
    for (int i = 0; i < list.Count(); ++i)
        records.push_back(*list.GetItem(i));
    return records;
}

Bytes Str(const char* s)
{
    Bytes b{0x06, static_cast<std::uint8_t>(std::strlen(s))};
    b.insert(b.end(), s, s + std::strlen(s));
    return b;
}

}  // namespace

TEST(FreezeList, GoldenBytesOfASmallList)
{
    TFreezeList list;
    auto g = std::make_unique<TSingleFreeze>();
    g->State = gsActive;
    g->RootKeyName = "HKEY_LOCAL_MACHINE";
    g->KeyPath = "Software\\Run";
    g->DisplayName = "Run";
    g->Kind = gkKey;
    g->Reaction = grRevoke;
    g->GuidText = "{G}";
    g->Id = 0x80000001u;  // stored negative
    list.Add(std::move(g));

    Bytes expected = {0xFF, 0x0A, 0x00};
    for (char c : String("TFREEZELIST"))
        expected.push_back(static_cast<std::uint8_t>(c));
    const Bytes body = [] {
        Bytes b = {'T', 'P', 'F', '0', 11, 'T', 'F', 'r', 'e', 'e', 'z', 'e', 'L', 'i', 's', 't', 0,
                   4,   'I', 't', 'e', 'm', 0x02, 1,                        // one guard
                   0x02, 0, 0x08};                                          // state, auto-update false
        for (const char* s : {"HKEY_LOCAL_MACHINE", "Software\\Run", "", "Run", ""}) {
            const Bytes v = Str(s);
            b.insert(b.end(), v.begin(), v.end());
        }
        const Bytes tail = {0x02, 0, 0x02, 0};  // kind, reaction
        b.insert(b.end(), tail.begin(), tail.end());
        const Bytes guid = Str("{G}");
        b.insert(b.end(), guid.begin(), guid.end());
        const Bytes id = {0x04, 0x01, 0x00, 0x00, 0x80, 0x00, 0x00};  // id, end of properties, no children
        b.insert(b.end(), id.begin(), id.end());
        return b;
    }();
    const Bytes header_tail = {0x00, 0x30, 0x10, static_cast<std::uint8_t>(body.size()), 0, 0, 0};
    expected.insert(expected.end(), header_tail.begin(), header_tail.end());
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(Save(list), expected);

    TFreezeList back;
    Load(expected, back);
    EXPECT_EQ(Records(back), Records(list));
}

TEST(FreezeList, EncodingsOfIntegersAndStringsRoundTrip)
{
    struct Case {
        std::uint32_t id;
        Bytes encoding;
    } ids[] = {
        {0, {0x02, 0x00}},
        {127, {0x02, 0x7F}},
        {128, {0x03, 0x80, 0x00}},
        {static_cast<std::uint32_t>(-129), {0x03, 0x7F, 0xFF}},
        {32768, {0x04, 0x00, 0x80, 0x00, 0x00}},
        {0xFFFFFFFFu, {0x02, 0xFF}},
    };
    for (const Case& c : ids) {
        TFreezeList list;
        auto g = Guard(String(300, 'n'), c.id);  // a display name over 255 characters
        g->Comment = String(256, 'c');
        list.Add(std::move(g));
        const Bytes bytes = Save(list);
        // The id is the last value, before the two list ends.
        ASSERT_GT(bytes.size(), c.encoding.size() + 2);
        EXPECT_EQ(Bytes(bytes.end() - 2 - static_cast<long>(c.encoding.size()), bytes.end() - 2), c.encoding) << c.id;
        TFreezeList back;
        Load(bytes, back);
        ASSERT_EQ(back.Count(), 1);
        EXPECT_EQ(back.GetItem(0)->Id, c.id);
        EXPECT_EQ(back.GetItem(0)->DisplayName, String(300, 'n'));
        EXPECT_EQ(back.GetItem(0)->Comment, String(256, 'c'));
    }
}

TEST(FreezeList, IdsStoredAsSixtyFourBitValuesAreRead)
{
    // Writers whose id field is unsigned store ids of 2^31 and more as vaInt64.
    TFreezeList list;
    list.Add(Guard("wide", 1));
    Bytes bytes = Save(list);
    ASSERT_EQ(Bytes(bytes.end() - 4, bytes.end()), (Bytes{0x02, 0x01, 0x00, 0x00}));
    bytes.erase(bytes.end() - 4, bytes.end());
    for (std::uint8_t b : {0x13, 0x01, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})
        bytes.push_back(b);
    TFreezeList back;
    Load(bytes, back);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.GetItem(0)->Id, 0x80000001u);

    // A value no 32-bit id can have is damage.
    bytes[bytes.size() - 3] = 0x01;  // far beyond 32 bits
    EXPECT_THROW(Load(bytes, back), EReadError);
}

TEST(FreezeList, TruncatedAtEveryOffsetKeepsTheWholeRecords)
{
    TFreezeList list;
    for (int i = 0; i < 4; ++i)
        list.Add(Guard("guard " + IntToStr(i) + String(static_cast<size_t>(i) * 100, '.'), 1000u * i));
    const Bytes whole = Save(list);
    const auto expected = Records(list);

    // Record i ends where a list of its first i + 1 guards would end its data.
    std::vector<size_t> recordEnds;
    for (int n = 1; n <= 4; ++n) {
        TFreezeList prefix;
        for (int i = 0; i < n; ++i)
            prefix.AddGuardCopy(*list.GetItem(i));
        recordEnds.push_back(Save(prefix).size() - 2);
    }

    for (size_t cut = 0; cut < whole.size(); ++cut) {
        TFreezeList back;
        EXPECT_THROW(Load(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), back), EReadError) << cut;
        size_t whole_records = 0;
        while (whole_records < recordEnds.size() && recordEnds[whole_records] <= cut)
            ++whole_records;
        ASSERT_EQ(static_cast<size_t>(back.Count()), whole_records) << cut;
        for (int i = 0; i < back.Count(); ++i)
            EXPECT_EQ(*back.GetItem(i), expected[static_cast<size_t>(i)]);
    }
}

TEST(FreezeList, ListOperations)
{
    TFreezeList list;
    EXPECT_EQ(list.Add(nullptr), nullptr);
    TSingleFreeze* a = list.Add(Guard("a", 1));
    TSingleFreeze* b = list.Add(Guard("b", 2));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetItem(-1), nullptr);
    EXPECT_EQ(list.GetItem(2), nullptr);
    EXPECT_TRUE(list.Contains(a));
    list.Delete(5);  // out of range: nothing
    list.Remove(a);
    EXPECT_FALSE(list.Contains(a));
    EXPECT_EQ(list.GetItem(0), b);
    list.Remove(nullptr);
    EXPECT_EQ(list.Count(), 1);

    // A record the list holds already stays one entry.
    std::unique_ptr<TSingleFreeze> again(b);
    EXPECT_EQ(list.Add(std::move(again)), b);
    EXPECT_EQ(list.Count(), 1);
    // Nothing stops two guards from sharing an id.
    list.Add(Guard("same id", b->Id));
    EXPECT_EQ(list.GetItem(1)->Id, list.GetItem(0)->Id);
    list.Delete(1);

    // A copy shares nothing with its source.
    TSingleFreeze* copy = list.AddGuardCopy(*b);
    EXPECT_NE(copy, b);
    EXPECT_EQ(*copy, *b);
    b->DisplayName = "changed";
    EXPECT_EQ(copy->DisplayName, "b");
}

TEST(FreezeList, LoadingReplacesAndACountOfZeroEmpties)
{
    TFreezeList stored;
    stored.Add(Guard("stored", 7));
    const Bytes one = Save(stored);
    TFreezeList empty;
    const Bytes none = Save(empty);

    TFreezeList list;
    list.Add(Guard("held", 1));
    list.Add(Guard("held", 2));
    Load(one, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItem(0)->DisplayName, "stored");
    Load(none, list);
    EXPECT_EQ(list.Count(), 0);
}

TEST(FreezeList, FilesRoundTripAndAMissingFileChangesNothing)
{
    test_support::TempFolder folder;
    const String file = folder.File("freeze.list");
    TFreezeList list;
    list.Add(Guard("a", 1));
    list.LoadFromFile(file);
    EXPECT_EQ(list.Count(), 1);
    list.SaveToFile(file);
    TFreezeList back;
    EXPECT_EQ(LoadFreezeListKeepingDamage(back, file), TFreezeListLoad::Loaded);
    EXPECT_EQ(Records(back), Records(list));
    EXPECT_TRUE(TakePostponedLogLines().empty());
}

TEST(FreezeList, ADamagedFileIsKeptAsideAndReported)
{
    test_support::TempFolder folder;
    const String file = folder.File("freeze.list");
    TFreezeList list;
    list.Add(Guard("first", 1));
    list.Add(Guard("second", 2));
    list.SaveToFile(file);
    Bytes bytes = test_support::ReadAll(file);
    bytes.resize(bytes.size() - 10);  // the second guard is cut
    test_support::WriteAll(file, bytes.data(), bytes.size());
    TakePostponedLogLines();

    TFreezeList back;
    EXPECT_EQ(LoadFreezeListKeepingDamage(back, file), TFreezeListLoad::Damaged);
    EXPECT_FALSE(FileExists(file));  // moved aside: the next start finds no damage
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.GetItem(0)->DisplayName, "first");
    EXPECT_EQ(test_support::ReadAll(file + ".bad"), bytes);
    auto lines = TakePostponedLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, llWarning);
    EXPECT_NE(lines[0].text.find(file + ".bad"), String::npos) << lines[0].text;
    EXPECT_NE(lines[0].text.find(" 1 "), String::npos) << lines[0].text;

    // Saving now can't lose the damaged file, and a second damage keeps both.
    back.SaveToFile(file);
    test_support::WriteAll(file, "garbage");
    TFreezeList again;
    EXPECT_EQ(LoadFreezeListKeepingDamage(again, file), TFreezeListLoad::Damaged);
    EXPECT_EQ(test_support::ReadAll(file + ".bad"), bytes);
    const auto second = test_support::ReadAll(file + ".bad.1");
    EXPECT_EQ(String(second.begin(), second.end()), "garbage");
    EXPECT_EQ(TakePostponedLogLines().size(), 1u);
}

#ifdef _WIN32
#include <windows.h>

TEST(FreezeList, AFileThatCantBeOpenedIsLeftInPlace)
{
    test_support::TempFolder folder;
    const String file = folder.File("freeze.list");
    TFreezeList list;
    list.Add(Guard("kept", 1));
    list.SaveToFile(file);
    const Bytes bytes = test_support::ReadAll(file);
    TakePostponedLogLines();
    {
        // Held without sharing, as a backup tool might hold it.
        HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        TFreezeList back;
        EXPECT_EQ(LoadFreezeListKeepingDamage(back, file), TFreezeListLoad::Unreadable);
        EXPECT_EQ(back.Count(), 0);
        CloseHandle(lock);
    }
    EXPECT_EQ(test_support::ReadAll(file), bytes);
    EXPECT_FALSE(FileExists(file + ".bad"));
    const auto lines = TakePostponedLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, llWarning);
}
#endif
