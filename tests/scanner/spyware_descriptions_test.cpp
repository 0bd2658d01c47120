// The descriptions index on small files: names sharing a text, the later
// block winning, texts holding line ends, markers that end the load, a text
// running past the end, a last line without LF, and the counts users see;
// and on a sparse file, the largest length a marker can claim, the file
// holding it whole or cut short.
#include "scanner/spyware_descriptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/test_support.h"

namespace {

struct Loaded {
    TSpywareDescriptions descriptions;
    test_support::TempFolder folder;

    explicit Loaded(const std::string& content)
    {
        const std::string path = folder.File("spyware.db.descr");
        test_support::WriteAll(path, content.data(), content.size());
        descriptions.LoadFromFile(path);
    }
};

}  // namespace

TEST(SpywareDescriptions, IndexesBlocksAndReadsTextsOnDemand)
{
    const struct {
        const char* name;
        std::string content;
        std::map<std::string, std::string> texts;  // asked name -> text ("" for none)
        std::uint32_t blocks, names;
    } cases[] = {
        {"two names share a text", "Alpha\nbeta\n<<LENGTH5\nhello\n", {{"alpha", "hello"}, {"BETA", "hello"}}, 1, 2},
        {"mixed case, CR LF lines and blank lines", "\r\n  MiXed Case \r\n\r\n<<LENGTH 4\r\nabcd", {{"mixed case", "abcd"}}, 1, 1},
        {"a text holding line ends and marker-like lines", "one\n<<LENGTH14\na\r\n<<LENGTH1\nb\ntwo\n<<LENGTH2\nok",
         {{"one", "a\r\n<<LENGTH1\nb"}, {"two", "ok"}}, 2, 2},
        {"the later block wins", "dup\n<<LENGTH3\nold\ndup\nother\n<<LENGTH3\nnew", {{"dup", "new"}, {"other", "new"}}, 2, 3},
        {"a zero length ends the load", "kept\n<<LENGTH2\nok\nlost\n<<LENGTH0\nnext\n<<LENGTH2\nno",
         {{"kept", "ok"}, {"lost", ""}, {"next", ""}}, 1, 2},
        {"a length that is not a number ends the load", "kept\n<<LENGTH2\nok\nlost\n<<LENGTHfive\nabcde",
         {{"kept", "ok"}, {"lost", ""}}, 1, 2},
        {"a text past the end indexes nothing more", "kept\n<<LENGTH2\nok\nlost\n<<LENGTH50\nshort",
         {{"kept", "ok"}, {"lost", ""}}, 1, 2},
        {"a length past 32 bits", "lost\n<<LENGTH99999999999\nx", {{"lost", ""}}, 0, 1},
        {"names after the last block and a last line without LF", "a\n<<LENGTH1\nx\nb\nc", {{"a", "x"}, {"b", ""}, {"c", ""}}, 1, 2},
        {"a text ends at its first zero byte", std::string("z\n<<LENGTH5\nab\0cd", 17), {{"z", "ab"}}, 1, 1},
        {"the marker is case-sensitive", "x\n<<length3\nabc\n", {{"x", ""}, {"<<length3", ""}}, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded(c.content);
        for (const auto& [name, text] : c.texts) {
            EXPECT_EQ(loaded.descriptions.HasDescription(name), !text.empty()) << name;
            EXPECT_EQ(loaded.descriptions.GetDescription(name), text) << name;
        }
        EXPECT_EQ(loaded.descriptions.BlockCount(), c.blocks);
        EXPECT_EQ(loaded.descriptions.NameCount(), c.names);
        EXPECT_EQ(loaded.descriptions.DescriptionCount(), (c.blocks + c.names) * 8);
    }
}

TEST(SpywareDescriptions, MissingOrChangedFilesGiveEmptyTexts)
{
    TSpywareDescriptions none;
    none.LoadFromFile("no such folder/spyware.db.descr");
    EXPECT_EQ(none.DescriptionCount(), 0u);
    EXPECT_EQ(none.GetDescription("anything"), "");

    // Indexed, then cut short behind the index's back: no read past the end.
    Loaded loaded("name\n<<LENGTH10\n0123456789");
    ASSERT_TRUE(loaded.descriptions.HasDescription("name"));
    test_support::WriteAll(loaded.folder.File("spyware.db.descr"), "name\n", 5);
    EXPECT_EQ(loaded.descriptions.GetDescription("name"), "");

    // A new load forgets the old index.
    loaded.descriptions.LoadFromFile(loaded.folder.File("spyware.db.descr"));
    EXPECT_FALSE(loaded.descriptions.HasDescription("name"));
    EXPECT_EQ(loaded.descriptions.NameCount(), 1u);
}

TEST(SpywareDescriptions, TheLargestLengthIsReadOnlyAsFarAsItsText)
{
    // A marker claiming 4 GiB less one byte, in a file (sparse) that holds
    // that many: offset and length together pass 32 bits, and the text is
    // read up to its first zero byte, not into a buffer of that length.
    test_support::TempFolder folder;
    const std::string path = folder.File("spyware.db.descr");
    const std::string head = "huge\n<<LENGTH4294967295\n";
    test_support::WriteAll(path, head + "a big text");
    std::filesystem::resize_file(path, head.size() + 0xFFFFFFFFull);
    TSpywareDescriptions descriptions;
    descriptions.LoadFromFile(path);
    ASSERT_NE(descriptions.Find("huge"), nullptr);
    EXPECT_EQ(*descriptions.Find("huge"), (TOffsetInfo{static_cast<std::uint32_t>(head.size()), 0xFFFFFFFFu}));

    // Cut short behind the index's back, the file can't hold that length.
    // Summed in 32 bits, offset and length would wrap to below the head and
    // pass for any size; only a file still holding the first piece read
    // (64 KiB) past the head would then give the text.
    const struct {
        const char* what;
        std::uint64_t textBytes;  // what the file holds after the head
        const char* text;
    } sizes[] = {
        {"the whole length", 0xFFFFFFFFull, "a big text"},
        {"one byte short", 0xFFFFFFFEull, ""},
        {"1 MiB", 1u << 20, ""},
        {"64 KiB and one byte", (64u << 10) + 1, ""},
        {"100 bytes", 100, ""},
    };
    for (const auto& s : sizes) {
        std::filesystem::resize_file(path, head.size() + s.textBytes);
        EXPECT_EQ(descriptions.GetDescription("huge"), s.text) << s.what;
    }
}
