// The browser hijack scanner against values planted in the registry of the
// test's prefix: what it reports from hijack.places, hijack.patterns and
// good.hosts, what its fix writes back (read back with Wine's reg.exe), and
// how it keeps its side files when they go missing or can't be read.
#include "scanner/browser_hijack_search.h"

#include <windows.h>

#include <chrono>
#include <future>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "scanner/hijack_places.h"
#include "scanner/removal_safety.h"
#include "scanner/search.h"
#include "scanner/search_services.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

namespace {

using test_support::RegValue;
using test_support::SetValueIn;

const String kBase = "Software\\TalmorisTest_Hijack";

const String kPatternMatch = "Possible Browser hijack attempt (pattern match)";
const String kNotBlank = "Possible Browser hijack attempt (not a blank value)";

// The test's own, independent of the scanner's.
HKEY HandleOf(TRootKey root) { return root == kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// One line per item: root, key path, value name, description, place index,
// data and the value a fix writes.
std::vector<String> Items(const TSearchInterface& scanner)
{
    std::vector<String> lines;
    for (int i = 0; i < scanner.ResultCount(); ++i) {
        const TSearchResultInterface& item = *scanner.Result(i);
        EXPECT_EQ(item.Kind, ikRegistryValue);
        EXPECT_EQ(item.Category, icRegistryValue);
        lines.push_back(RootKeyPrefix(item.RootKey) + item.Path + "|" + item.Name + "|" + item.Description + "|" +
                        IntToStr(item.PlaceIndex) + "|" + item.Data + "|" + item.FixValue);
    }
    return lines;
}

class BrowserHijackSearch : public ::testing::Test {
protected:
    BrowserHijackSearch()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        base_ = kBase + "\\" + info->name();
        Clean();
    }
    ~BrowserHijackSearch() override { Clean(); }

    void Clean()
    {
        test_support::DeleteTreeIn(HKEY_CURRENT_USER, base_);
        test_support::DeleteTreeIn(HKEY_LOCAL_MACHINE, base_);
    }

    String Key(const String& name) const { return base_ + "\\" + name; }
    String Side(const String& name) const { return data_.File(name); }
    void Write(const String& name, const String& text) { test_support::WriteAll(Side(name), text); }

    // An engine with the hijack scanner alone, reading the data folder.
    struct TEngine {
        explicit TEngine(const String& folder) : search(TSearchTexts(), folder), scanner(search.AddScanner<TBrowserHijackSearch>())
        {
            search.OnStatus = [this](const String& text, const String&) { statusLines.push_back(text); };
            search.OnObjectScanned = [this] { ++scanned; };
        }
        TSearch search;
        TBrowserHijackSearch& scanner;
        std::vector<String> statusLines;
        int scanned = 0;
    };

    String base_;
    test_support::TempFolder data_;
};

}  // namespace

TEST(HijackPlaces, LinesParseAsTheFileDefinesThem)
{
    const struct {
        const char* name;
        String line;
        bool parsed;
        String key, value, expected;
    } cases[] = {
        {"a whole place", "Software\\Microsoft\\Internet Explorer\\Main,Start Page=http://home.example/", true,
         "Software\\Microsoft\\Internet Explorer\\Main", "Start Page", "http://home.example/"},
        {"blanks around the line are not part of it", "  Software\\X,Search Page=http://s.example/ \t ", true,
         "Software\\X", "Search Page", "http://s.example/"},
        {"blanks inside stay", "Software\\X , Start Page = about:blank", true, "Software\\X ", " Start Page ",
         " about:blank"},
        {"an empty expected value", "Software\\X,Start Page=", true, "Software\\X", "Start Page", ""},
        {"the value name ends at the first =", "Software\\X,a=b=c", true, "Software\\X", "a", "b=c"},
        {"the key ends at the first ,", "Software\\X,a,b=c,d", true, "Software\\X", "a,b", "c,d"},
        {"an = before the , only", "Software\\X=y,Start Page", false, "", "", ""},
        {"no ,", "Software\\X Start Page=about:blank", false, "", "", ""},
        {"no =", "Software\\X,Start Page", false, "", "", ""},
        {"blank", " \t ", false, "", "", ""},
    };
    for (const auto& c : cases) {
        THijackPlace place;
        ASSERT_EQ(ParseHijackPlace(c.line, place), c.parsed) << c.name;
        if (c.parsed) {
            EXPECT_EQ(place.KeyPath, c.key) << c.name;
            EXPECT_EQ(place.ValueName, c.value) << c.name;
            EXPECT_EQ(place.Expected, c.expected) << c.name;
        }
    }

    const struct {
        String path;
        bool wellFormed;
    } paths[] = {
        {"Software\\Microsoft\\Internet Explorer\\Main", true},
        {"Software\\X\\", true},
        {"Software", true},
        {"", false},
        {"   ", false},
        {"\\Software\\X", false},
        {"Software\\\\X", false},
        {"Software\\X\\\\", false},
        {"Software\\X\tY", false},
        {String("Software\\X\0Y", 12), false},
    };
    for (const auto& p : paths)
        EXPECT_EQ(IsWellFormedKeyPath(p.path), p.wellFormed) << p.path;
}

TEST(HijackPatterns, CompiledCaselessMultilineAndMatchedUnderALimit)
{
    const String runaway = String(60, 'a') + "b";
    {
        // The fixture itself: without a limit of ours the library gives up
        // only at its own default, after ten million steps.
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>("^(a+)+$"), PCRE2_ZERO_TERMINATED,
                                         PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
        ASSERT_NE(code, nullptr);
        pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
        EXPECT_EQ(pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(runaway.data()), runaway.size(), 0, 0, data, nullptr),
                  PCRE2_ERROR_MATCHLIMIT);
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }

    const struct {
        const char* name;
        String pattern;
        String text;
        bool matches;
    } cases[] = {
        {"caseless", "evil\\.example", "http://EVIL.Example/", true},
        {"multiline: ^ and $ at each line", "^second$", "first\nsecond\nthird", true},
        {"the line untrimmed", " spy\\.example", "http://spy.example/", false},
        {"more groups than an old 30-int vector holds", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)", "xabcdefghijkl", true},
        {"an empty match is a match", "z*", "abc", true},
        {"runaway: given up, no match", "^(a+)+$", runaway, false},
        {"no match", "evil", "good", false},
    };
    for (const auto& c : cases) {
        TStringList lines;
        lines.Add(c.pattern);
        THijackPatterns patterns;
        patterns.Build(lines);
        ASSERT_EQ(patterns.Count(), 1) << c.name;
        EXPECT_EQ(patterns.AnyMatches(c.text), c.matches) << c.name;
    }

    TStringList lines;
    lines.SetText("(unclosed\r\n\r\n \t\r\n[a-\r\nfound\r\n");
    THijackPatterns patterns;
    patterns.Build(lines);
    EXPECT_EQ(patterns.Count(), 1) << "blank and broken lines are passed over";
    EXPECT_TRUE(patterns.AnyMatches("it was found"));
    patterns.Build(TStringList());
    EXPECT_EQ(patterns.Count(), 0) << "a rebuild replaces what was held";
    EXPECT_FALSE(patterns.AnyMatches("it was found"));
}

TEST_F(BrowserHijackSearch, ReportsHijackedValuesAndPassesOverApprovedOnes)
{
    const String longValue = "http://" + String(280, 'x') + ".evil-search.example/";
    ASSERT_GT(longValue.size(), 300u);
    const String runaway = String(60, 'a') + "b";
    const auto sz = [](const String& text) { return test_support::Sz(text); };
    const auto binary = [](const String& text) {
        return RegValue{REG_BINARY, std::vector<unsigned char>(text.begin(), text.end())};
    };

    const struct {
        const char* name;  // the key below the test's own, also its description below
        bool planted;      // else the key has no such value
        RegValue value;
        String expected;   // what the place line expects
        TRootKey root = kCurrentUser;
    } cases[] = {
        {"PatternHit", true, sz("http://www.Evil-Search.example/start"), "http://home.example/"},
        {"PatternHitApproved", true, sz("http://approved.evil-search.example/"), "http://home.example/"},
        {"LiteralGoodHost", true, sz("HTTP://Approved.example/?q=(1"), "http://home.example/"},
        {"RegexGoodHost", true, sz("http://intranet.corp.example/start"), "http://home.example/"},
        {"SameButCase", true, sz("HTTP://HOME.Example/"), "http://home.example/"},
        {"Empty", true, sz(""), "http://home.example/"},
        {"Missing", false, {}, "http://home.example/"},
        {"NotExpected", true, sz("http://other.example/"), "http://home.example/"},
        {"Long", true, sz(longValue), "http://home.example/"},
        {"TwelveGroups", true, sz("http://TWELVE-abcdefghijkl.example/"), "http://home.example/"},
        {"SecondLine", true, sz("http://ok.example/\r\nstart-here"), "http://home.example/"},
        {"Runaway", true, sz(runaway), "http://home.example/"},
        {"Binary", true, binary(String("go to evil-search.example") + '\0' + "and more"), "x"},
        {"Machine", true, sz("http://machine.evil-search.example/"), "http://home.example/", kLocalMachine},
    };

    String places = "\r\n";  // a blank line, still counted
    places += Key("Skipped") + "=no comma\r\n";
    places += '\\';  // a leading backslash: refused
    places += Key("PatternHit") + ",Start Page=http://home.example/\r\n";
    places += Key("NoKey") + ",Start Page=http://home.example/\r\n";
    const int firstCase = 4;
    int scannedValues = 0;
    for (const auto& c : cases) {
        if (c.planted) {
            SetValueIn(HandleOf(c.root), Key(c.name), "Start Page", c.value);
            ++scannedValues;
        } else {
            test_support::CreateKeyIn(HandleOf(c.root), Key(c.name));
        }
        places += Key(c.name) + ",Start Page=" + c.expected + "\r\n";
    }
    SetValueIn(HKEY_CURRENT_USER, Key("Skipped"), "no comma", sz("http://www.evil-search.example/"));
    Write("hijack.places", places);
    Write("hijack.patterns", "evil-search\\.example\r\n"
                             "(unclosed\r\n"
                             "twelve-(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)\\.example\r\n"
                             "^start-here$\r\n"
                             "^(a+)+$\r\n");
    Write("good.hosts", "http://approved.evil-search.example/\r\n"
                        "http://approved.example/?q=(1\r\n"
                        "^http://[a-z]+\\.corp\\.example/\r\n");

    TEngine engine(data_.Path());
    // The scan runs where a stuck match would show: it must end well within
    // the deadline whatever the runaway pattern does.
    auto scan = std::async(std::launch::async, [&] { engine.search.Search(); });
    ASSERT_EQ(scan.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "the scan did not end";
    scan.get();

    // The item a case yields, with its line's index in the places file.
    const auto line = [&](const char* name, const String& description, const String& data) {
        int index = firstCase;
        while (String(cases[index - firstCase].name) != name)
            ++index;
        const auto& c = cases[index - firstCase];
        return RootKeyPrefix(c.root) + Key(name) + "|Start Page|" + description + "|" + IntToStr(index) + "|" +
               data + "|" + c.expected;
    };
    const std::vector<String> expected = {
        line("PatternHit", kPatternMatch, "http://www.Evil-Search.example/start"),
        line("PatternHitApproved", kPatternMatch, "http://approved.evil-search.example/"),
        line("NotExpected", kNotBlank, "http://other.example/"),
        line("Long", kPatternMatch, longValue),
        line("TwelveGroups", kPatternMatch, "http://TWELVE-abcdefghijkl.example/"),
        line("SecondLine", kPatternMatch, "http://ok.example/\r\nstart-here"),
        line("Runaway", kNotBlank, runaway),
        line("Binary", kPatternMatch, "go to evil-search.example"),
        line("Machine", kPatternMatch, "http://machine.evil-search.example/"),
    };
    EXPECT_EQ(Items(engine.scanner), expected);
    EXPECT_EQ(engine.scanned, scannedValues) << "one per value read, the empty one among them";
    EXPECT_EQ(engine.statusLines, (std::vector<String>{"Step 1 of 1. Search for browser hijack attempts..."}));
    EXPECT_FALSE(KeyExists(kCurrentUser, Key("NoKey")));
    EXPECT_FALSE(KeyExists(kLocalMachine, Key("PatternHit"))) << "a search creates no key";
}

TEST_F(BrowserHijackSearch, FixWritesTheExpectedValueIntoTheValuesOwnRoot)
{
    const String trailing = Key("Trailing"), both = Key("BothRoots"), vanished = Key("Vanished"),
                 uncopied = Key("Uncopied"), moved = Key("Moved");
    SetValueIn(HKEY_CURRENT_USER, trailing, "Start Page", test_support::Sz("http://hijacked.example/", REG_EXPAND_SZ));
    SetValueIn(HKEY_CURRENT_USER, both, "Search Page", test_support::Sz("http://user.hijacked.example/"));
    SetValueIn(HKEY_LOCAL_MACHINE, both, "Search Page", test_support::Sz("http://machine.hijacked.example/"));
    SetValueIn(HKEY_CURRENT_USER, vanished, "Start Page", test_support::Sz("http://hijacked.example/"));
    SetValueIn(HKEY_CURRENT_USER, uncopied, "Start Page", test_support::Sz("http://hijacked.example/"));
    SetValueIn(HKEY_CURRENT_USER, moved, "Start Page", test_support::Sz("http://hijacked.example/"));
    Write("hijack.places", trailing + ",Start Page=http://home.example/   \t\r\n" +  //
                               both + ",Search Page=http://search.example/\r\n" +       //
                               vanished + ",Start Page=http://home.example/\r\n" +      //
                               uncopied + ",Start Page=http://home.example/\r\n" +      //
                               moved + ",Start Page=http://home.example/\r\n");
    Write("hijack.patterns", "never-matches-anything-here\r\n");

    TEngine engine(data_.Path());
    engine.search.Search();
    ASSERT_EQ(engine.scanner.ResultCount(), 6);
    for (int i = 0; i < engine.scanner.ResultCount(); ++i)
        engine.scanner.Result(i)->Checked = true;
    EXPECT_EQ(engine.scanner.Result(0)->FixValue, "http://home.example/") << "the trimmed expected value";
    engine.scanner.Result(5)->PlaceIndex = 5;  // past the place lines: left as it is
    test_support::DeleteTree(vanished);

    std::vector<String> events;
    engine.search.OnFixing = [&](TSearchResultInterface& item, const String& text) {
        events.push_back("fixing " + text);
        return item.Path != uncopied;
    };
    engine.search.OnError = [&](TSearchResultInterface&, const String& text) { events.push_back("error " + text); };
    engine.search.RemoveChecked();

    EXPECT_EQ(events, (std::vector<String>{
                          "fixing HKCU\\" + trailing,
                          "fixing HKCU\\" + both,
                          "fixing HKLM\\" + both,
                          "fixing HKCU\\" + vanished,
                          "error Unable to fix 'Start Page' value in '" + vanished +
                              "'! Error message: " + SystemErrorText(ERROR_FILE_NOT_FOUND),
                          "fixing HKCU\\" + uncopied,
                          "error Unable to keep a quarantine copy of 'HKCU\\" + uncopied + "'! It was not removed.",
                      }));
    std::vector<String> left;
    for (int i = 0; i < engine.scanner.ResultCount(); ++i)
        left.push_back(engine.scanner.Result(i)->Path);
    EXPECT_EQ(left, (std::vector<String>{vanished, uncopied, moved}));

    using test_support::RegTypeAndData;
    EXPECT_EQ(test_support::QueryWithReg(trailing)["Start Page"], RegTypeAndData("REG_SZ", "http://home.example/"));
    EXPECT_EQ(test_support::QueryWithReg(both)["Search Page"], RegTypeAndData("REG_SZ", "http://search.example/"));
    // The raw value, for the root reg.exe isn't asked about here.
    const std::optional<RegValue> machine = test_support::ReadValueIn(HKEY_LOCAL_MACHINE, both, "Search Page");
    ASSERT_TRUE(machine);
    EXPECT_EQ(*machine, test_support::Sz("http://search.example/"));
    EXPECT_FALSE(KeyExists(kCurrentUser, vanished)) << "a fix creates no key";
    EXPECT_EQ(test_support::QueryWithReg(uncopied)["Start Page"], RegTypeAndData("REG_SZ", "http://hijacked.example/"));
    EXPECT_EQ(test_support::QueryWithReg(moved)["Start Page"], RegTypeAndData("REG_SZ", "http://hijacked.example/"));

    // What was fixed is what the places expect, blanks and all.
    engine.search.Search();
    std::vector<String> found;
    for (int i = 0; i < engine.scanner.ResultCount(); ++i)
        found.push_back(engine.scanner.Result(i)->Path);
    EXPECT_EQ(found, (std::vector<String>{uncopied, moved}));
}

TEST_F(BrowserHijackSearch, NoPatternsNoCheck)
{
    SetValueIn(HKEY_CURRENT_USER, Key("Page"), "Start Page", test_support::Sz("http://hijacked.example/"));
    Write("hijack.places", Key("Page") + ",Start Page=http://home.example/\r\n");
    {
        TEngine missing(data_.Path());
        missing.search.Search();
        EXPECT_EQ(missing.scanner.ResultCount(), 0);
        EXPECT_TRUE(missing.statusLines.empty());
        EXPECT_EQ(missing.scanned, 0);
        EXPECT_EQ(missing.scanner.Count(), 0);
    }
    Write("hijack.patterns", "");
    {
        TEngine empty(data_.Path());
        empty.search.Search();
        EXPECT_EQ(empty.scanner.ResultCount(), 0);
        EXPECT_TRUE(empty.statusLines.empty());
    }
    // Blank lines compile to nothing, yet the list isn't empty: the check
    // runs without patterns.
    Write("hijack.patterns", "\r\n \r\n");
    {
        TEngine blank(data_.Path());
        EXPECT_EQ(blank.scanner.Count(), 2);
        blank.search.Search();
        EXPECT_EQ(Items(blank.scanner),
                  (std::vector<String>{"HKCU\\" + Key("Page") + "|Start Page|" + kNotBlank +
                                       "|0|http://hijacked.example/|http://home.example/"}));
    }
}

TEST_F(BrowserHijackSearch, SideFilesAreReadAgainAndKeptWhenTheyCantBe)
{
    SetValueIn(HKEY_CURRENT_USER, Key("Page"), "Start Page", test_support::Sz("http://spy.example/"));
    Write("hijack.places", Key("Page") + ",Start Page=http://home.example/\r\n");
    Write("hijack.patterns", "spy\\.example\r\n\r\nanother\r\n");
    Write("good.hosts", "http://spy.example/\r\n");

    TEngine engine(data_.Path());
    EXPECT_EQ(engine.scanner.Count(), 3) << "every line, the blank one among them";
    engine.search.Search();
    ASSERT_EQ(engine.scanner.ResultCount(), 1);
    EXPECT_EQ(engine.scanner.Result(0)->Description, kPatternMatch);

    // Gone: what was read stays.
    ASSERT_TRUE(DeleteFileA(Side("hijack.patterns").c_str()));
    ASSERT_TRUE(DeleteFileA(Side("hijack.places").c_str()));
    engine.search.Search();
    ASSERT_EQ(engine.scanner.ResultCount(), 1);
    EXPECT_EQ(engine.scanner.Result(0)->Description, kPatternMatch);

    // Read again at each scan: the pattern no longer marks the value, and
    // good.hosts approves it.
    Write("hijack.patterns", "nothing-here\r\n");
    engine.search.Search();
    EXPECT_EQ(engine.scanner.Count(), 1);
    EXPECT_EQ(engine.scanner.ResultCount(), 0);

    // Held open by another without sharing, so it can't be read: the lines
    // read before stay.
    Write("good.hosts", "");
    {
        const HANDLE held =
            CreateFileA(Side("good.hosts").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        engine.search.Search();
        CloseHandle(held);
    }
    EXPECT_EQ(engine.scanner.ResultCount(), 0) << "the approval read before still holds";
    engine.search.Search();
    ASSERT_EQ(engine.scanner.ResultCount(), 1) << "the empty good.hosts, now readable";
    EXPECT_EQ(engine.scanner.Result(0)->Description, kNotBlank);
}

TEST_F(BrowserHijackSearch, ReadsValuesOfAnyTypeWhole)
{
    const String long300 = String(300, 'v');
    SetValueIn(HKEY_CURRENT_USER, Key("Values"), "Long", test_support::Sz(long300));
    SetValueIn(HKEY_CURRENT_USER, Key("Values"), "Dword", test_support::Dword(0x00434241));
    SetValueIn(HKEY_CURRENT_USER, Key("Values"), "Unterminated",
          RegValue{REG_SZ, std::vector<unsigned char>{'a', 'b', 'c'}});
    const struct {
        const char* name;
        bool read;
        String text;
    } cases[] = {
        {"Long", true, long300},
        {"Dword", true, "ABC"},
        {"Unterminated", true, "abc"},
        {"Missing", false, ""},
    };
    for (const auto& c : cases) {
        String text = "left over";
        EXPECT_EQ(TBrowserHijackSearch::ReadRegistryString(kCurrentUser, Key("Values"), c.name, text), c.read)
            << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
    String text = "left over";
    EXPECT_FALSE(TBrowserHijackSearch::ReadRegistryString(kCurrentUser, Key("NoSuchKey"), "Long", text));
    EXPECT_EQ(text, "");
}
