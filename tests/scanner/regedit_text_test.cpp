// REGEDIT4 text on its own: the value lines the writer makes (each type,
// byte lists wrapping after 25 and then 24 bytes, escapes, the default
// value), what the reader makes of the writer's lines and of the system
// registry editor's, and what it refuses.
#include "scanner/regedit_text.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Counting(size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::vector<std::uint8_t> Text(const std::string& s, bool withZero = true)
{
    std::vector<std::uint8_t> bytes(s.begin(), s.end());
    if (withZero)
        bytes.push_back(0);
    return bytes;
}

String Line(const String& name, const std::vector<std::uint8_t>& data, std::uint32_t type)
{
    return FormatRegValue(name, data.data(), data.size(), type);
}

// Records what the reader delivers.
class TRecorder : public TRegFileReceiver {
public:
    std::vector<std::string> events;
    bool open = false;

    std::uint32_t OpenKey(TRootKey root, const String& path) override
    {
        events.push_back("open " + RootKeyPrefix(root) + path);
        open = true;
        return 0;
    }
    std::uint32_t SetValue(const TRegFileValue& value) override
    {
        if (!open)
            return 6;  // as the registry answers a value without a key
        std::string data;
        for (std::uint8_t b : value.Data)
            data += IntToHex(b, 2);
        events.push_back("set " + (value.Name.empty() ? std::string("@") : value.Name) + " " +
                         std::to_string(value.Type) + " " + data);
        return 0;
    }
    void CloseKey() override
    {
        events.push_back("close");
        open = false;
    }
};

}  // namespace

TEST(RegeditText, ValueLines)
{
    const std::vector<std::uint8_t> twentySix = Counting(26);
    const struct {
        const char* name;
        String valueName;
        std::vector<std::uint8_t> data;
        std::uint32_t type;
        String line;
    } cases[] = {
        {"a text", "Name", Text("C:\\Spy\\spy.exe"), kRegSz, "\"Name\"=\"C:\\\\Spy\\\\spy.exe\"\r\n"},
        {"quotes in name and text", "say \"hi\"\\", Text("a \"b\""), kRegSz, "\"say \\\"hi\\\"\\\\\"=\"a \\\"b\\\"\"\r\n"},
        {"the default value", "", Text("x"), kRegSz, "@=\"x\"\r\n"},
        {"an empty text", "e", Text(""), kRegSz, "\"e\"=\"\"\r\n"},
        {"a text without its zero", "t", Text("ab", false), kRegSz, "\"t\"=hex(1):61,62\r\n"},
        {"a text of no bytes", "t", {}, kRegSz, "\"t\"=hex(1):\r\n"},
        {"a text with a line break", "t", Text("a\r\nb"), kRegSz, "\"t\"=hex(1):61,0d,0a,62,00\r\n"},
        {"a text with data after its zero", "t", {'a', 0, 'b', 0}, kRegSz, "\"t\"=hex(1):61,00,62,00\r\n"},
        {"a dword", "d", {1, 0, 0, 0}, kRegDword, "\"d\"=dword:00000001\r\n"},
        {"a dword's byte order", "d", {0x78, 0x56, 0x34, 0x12}, kRegDword, "\"d\"=dword:12345678\r\n"},
        {"a dword of three bytes", "d", {1, 2, 3}, kRegDword, "\"d\"=hex(4):01,02,03\r\n"},
        {"no bytes", "b", {}, kRegBinary, "\"b\"=hex:\r\n"},
        {"an expandable text", "x", Text("%T%"), kRegExpandSz, "\"x\"=hex(2):25,54,25,00\r\n"},
        {"texts", "m", {'a', 0, 0}, kRegMultiSz, "\"m\"=hex(7):61,00,00\r\n"},
        {"a quad word", "q", {1, 0, 0, 0, 0, 0, 0, 0}, 11, "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"},
        {"no type", "n", {0xff}, kRegNone, "\"n\"=hex(0):ff\r\n"},
        {"25 bytes, one line", "b", Counting(25), kRegBinary,
         "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18\r\n"},
        {"26 bytes, the 26th on a second line", "b", twentySix, kRegBinary,
         "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n  19\r\n"},
        {"49 bytes, two full lines", "b", Counting(49), kRegBinary,
         "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n"
         "  19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30\r\n"},
        {"50 bytes, a third line", "b", Counting(50), kRegBinary,
         "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n"
         "  19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,\\\r\n  31\r\n"},
        {"a name with a line break", "a\nb", Text("x"), kRegSz, ""},
        {"a name with a carriage return", "a\rb", Text("x"), kRegSz, ""},
        {"a name with a NUL the system would stop at", String("a\0b", 3), Text("x"), kRegSz, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Line(c.valueName, c.data, c.type), c.line) << c.name;
    EXPECT_EQ(RegKeyLine(kCurrentUser, "Software\\Spy"), "[HKEY_CURRENT_USER\\Software\\Spy]\r\n");
    EXPECT_EQ(RegKeyLine(kCurrentUser, "Software\\Spy\tTab"), "[HKEY_CURRENT_USER\\Software\\Spy\tTab]\r\n");
    EXPECT_EQ(RegKeyLine(kNoRootKey, "Software"), "");
    // A path the line can't carry: the key has no text that restores it.
    for (const String& path : {String("Software\\Spy\nKey"), String("Software\\Spy\rKey"), String("Software\\Spy\n"),
                               String("Software\0\\Spy", 13)})
        EXPECT_EQ(RegKeyLine(kCurrentUser, path), "") << path;
}

TEST(RegeditText, EveryWrittenValueReadsBackByteForByte)
{
    const struct {
        String name;
        std::vector<std::uint8_t> data;
        std::uint32_t type;
    } values[] = {
        {"plain", Text("C:\\a \"b\" \\\\c\\"), kRegSz},
        {"", Text("default"), kRegSz},
        {"name=with \"quote\" \\", Text(""), kRegSz},
        {"no zero", Text("ab", false), kRegSz},
        {"empty", {}, kRegSz},
        {"break", Text("a\nb"), kRegSz},
        {"dword", {0xef, 0xbe, 0xad, 0xde}, kRegDword},
        {"short dword", {7}, kRegDword},
        {"bin0", {}, kRegBinary},
        {"bin25", Counting(25), kRegBinary},
        {"bin26", Counting(26), kRegBinary},
        {"bin50", Counting(50), kRegBinary},
        {"expand without zero", Text("%PATH%", false), kRegExpandSz},
        {"multi without zeros", Text("a", false), kRegMultiSz},
        {"multi", {'a', 0, 'b', 0, 0}, kRegMultiSz},
        {"qword", Counting(8), 11},
        {"odd type", Counting(3), 0x12345678},
    };
    String text = kRegFileHeader + RegKeyLine(kLocalMachine, "Software\\Spy");
    for (const auto& v : values)
        text += Line(v.name, v.data, v.type);
    text += "\r\n";

    struct TCollector : TRegFileReceiver {
        std::vector<TRegFileValue> values;
        std::uint32_t OpenKey(TRootKey, const String&) override { return 0; }
        std::uint32_t SetValue(const TRegFileValue& value) override
        {
            values.push_back(value);
            return 0;
        }
        void CloseKey() override {}
    } collector;
    ASSERT_EQ(ReadRegText(text, collector), 0u);
    ASSERT_EQ(collector.values.size(), std::size(values));
    for (size_t i = 0; i < std::size(values); ++i) {
        SCOPED_TRACE(values[i].name);
        EXPECT_EQ(collector.values[i].Name, values[i].name);
        EXPECT_EQ(collector.values[i].Type, values[i].type);
        EXPECT_EQ(collector.values[i].Data, values[i].data);
    }
}

TEST(RegeditText, ReadsWhatTheRegistryEditorWritesAndRefusesTheRest)
{
    const struct {
        const char* name;
        std::string text;
        std::uint32_t result;
        std::vector<std::string> events;
    } cases[] = {
        {"the header alone", "REGEDIT4\r\n\r\n", 0, {}},
        {"a header in lower case", "regedit4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n", 11, {}},
        {"no header", "[HKEY_CURRENT_USER\\A]\r\n", 11, {}},
        {"an empty file", "", 11, {}},
        {"keys, values and blank lines",
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Spy]\n\"Text\"=\"a\\\\b\\\"c\\n\"\n@=\"def\"\n"
         "\"D\"=dword:0000002A\n\n[HKEY_LOCAL_MACHINE\\Software\\Spy\\Sub]\n\"B\"=hex:\n",
         0,
         {"open HKCU\\Software\\Spy", "set Text 1 615C6222635C6E00" /* a\b"c\n: the unknown escape stays */,
          "set @ 1 64656600", "set D 4 2A000000", "close", "open HKLM\\Software\\Spy\\Sub", "set B 3 ", "close"}},
        {"a name with '=' and an escaped quote", "REGEDIT4\n[HKEY_USERS\\S]\n\"a=b \\\"c\\\"\"=\"x\"\n", 0,
         {"open HKU\\S", "set a=b \"c\" 1 7800", "close"}},
        {"the default value in any form", "REGEDIT4\n[HKEY_USERS\\S]\n@=hex(2):41,00\n@=dword:00000001\n", 0,
         {"open HKU\\S", "set @ 2 4100", "set @ 4 01000000", "close"}},
        {"the editor's wrapping, at any column and indent",
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\W]\r\n\"Bin\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
         "  16,17,18,19,1a,\\\r\n\t1b\r\n\"Q\"=hex(b):01,00,00,00,\\\r\n      00,00,00,00\r\n",
         0,
         {"open HKCU\\W", "set Bin 3 0102030405060708090A0B0C0D0E0F101112131415161718191A1B",
          "set Q 11 0100000000000000", "close"}},
        {"texts with and without their zeros", "REGEDIT4\n[HKEY_USERS\\S]\n\"M\"=hex(7):61\n\"E\"=hex(2):\n", 0,
         {"open HKU\\S", "set M 7 61", "set E 2 ", "close"}},
        {"comments, trailing blanks and a last line without LF",
         "REGEDIT4\n; a comment\n[HKEY_USERS\\S]  \n\"v\"=\"1\"  \n# another", 0,
         {"open HKU\\S", "set v 1 3100", "close"}},
        {"a list cut off by the end of the file", "REGEDIT4\n[HKEY_USERS\\S]\n\"b\"=hex:01,02,\\", 0,
         {"open HKU\\S", "set b 3 0102", "close"}},
        {"a value with no key open", "REGEDIT4\n[HKEY_USERS\\S]\n\n\"v\"=\"1\"\n", 6, {"open HKU\\S", "close"}},
        {"an unknown root", "REGEDIT4\n[HKEY_NOWHERE\\S]\n", 11, {}},
        {"a root in lower case", "REGEDIT4\n[hkey_users\\S]\n", 11, {}},
        {"a short root name", "REGEDIT4\n[HKCU\\S]\n", 11, {}},
        {"no key path", "REGEDIT4\n[HKEY_USERS\\]\n", 11, {}},
        {"no backslash", "REGEDIT4\n[HKEY_USERS]\n", 11, {}},
        {"a key line not closed", "REGEDIT4\n[HKEY_USERS\\S\n", 11, {}},
        {"a dword of 7 digits", "REGEDIT4\n[HKEY_USERS\\S]\n\"d\"=dword:0000001\n", 11, {"open HKU\\S", "close"}},
        {"a dword with a G", "REGEDIT4\n[HKEY_USERS\\S]\n\"d\"=dword:0000000G\n", 11, {"open HKU\\S", "close"}},
        {"a text not closed", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=\"abc\\\"\n", 11, {"open HKU\\S", "close"}},
        {"something after a text", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=\"a\"b\n", 11, {"open HKU\\S", "close"}},
        {"an empty name", "REGEDIT4\n[HKEY_USERS\\S]\n\"\"=\"a\"\n", 11, {"open HKU\\S", "close"}},
        {"no '=' after the name", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\" \"a\"\n", 11, {"open HKU\\S", "close"}},
        {"an unknown type", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=text:abc\n", 11, {"open HKU\\S", "close"}},
        {"a type number that isn't hex", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=hex(z):00\n", 11, {"open HKU\\S", "close"}},
        {"a half byte", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=hex:01,2\n", 11, {"open HKU\\S", "close"}},
        {"an empty group", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=hex:01,,02\n", 11, {"open HKU\\S", "close"}},
        {"a value deletion", "REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=-\n", 11, {"open HKU\\S", "close"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TRecorder recorder;
        EXPECT_EQ(ReadRegText(c.text, recorder), c.result);
        EXPECT_EQ(recorder.events, c.events);
    }
    // No fixed line limit.
    TRecorder recorder;
    const std::string longText(10000, 'x');
    EXPECT_EQ(ReadRegText("REGEDIT4\n[HKEY_USERS\\S]\n\"v\"=\"" + longText + "\"\n", recorder), 0u);
}
