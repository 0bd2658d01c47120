#include "scanner/regedit_text.h"

#include <cctype>

const char kRegFileHeader[] = "REGEDIT4\r\n\r\n";

namespace {

constexpr size_t kBytesPerLine = 24;
constexpr size_t kLongestRootName = 29;
constexpr size_t kLongestTypeWord = 20;

String Escaped(const String& text)
{
    String out;
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

String HexBytes(const std::uint8_t* data, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    String out;
    for (size_t i = 0; i < size; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
        if (i + 1 < size) {
            out += ',';
            // 25 bytes on the first line, 24 on each continuation line.
            if (i != 0 && i % kBytesPerLine == 0)
                out += "\\\r\n  ";
        }
    }
    return out;
}

// A string a quoted text carries whole: one terminating zero, no other, and
// no line break.
bool FitsQuotedText(const std::uint8_t* data, size_t size)
{
    if (size == 0 || data[size - 1] != 0)
        return false;
    for (size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n')
            return false;
    return true;
}

String HexTypeWord(std::uint32_t type)
{
    static const char kDigits[] = "0123456789abcdef";
    String digits;
    do {
        digits.insert(digits.begin(), kDigits[type & 15]);
        type >>= 4;
    } while (type != 0);
    return "hex(" + digits + "):";
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A name the text carries as it is: a line break would end the line, and
// the system's functions would stop at a NUL and act on a shorter name.
bool FitsOneLine(const String& name) { return name.find_first_of(String("\r\n\0", 3)) == String::npos; }

String TrimBlanksRight(String s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.pop_back();
    return s;
}

String TrimBlanksLeft(const String& s)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::vector<String> SplitLines(const String& text)
{
    std::vector<String> lines;
    String line;
    bool pending = false;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(TrimBlanksRight(line));
            line.clear();
            pending = false;
            continue;
        }
        line += c;
        pending = true;
    }
    if (pending)
        lines.push_back(TrimBlanksRight(line));
    return lines;
}

// A quoted text from `at` (its opening quote), escapes undone in one pass
// from left to right; `at` ends after the closing quote. False when the text
// isn't closed.
bool ReadQuoted(const String& line, size_t& at, String& text)
{
    text.clear();
    for (size_t i = at + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
            text += line[++i];
        } else if (c == '"') {
            at = i + 1;
            return true;
        } else {
            text += c;
        }
    }
    return false;
}

bool ReadHexBytes(const String& list, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsBlank(list[i]))
            ++i;
        if (i == list.size())
            break;  // a comma before a list cut off at the end of the file
        if (i + 1 >= list.size() || HexValue(list[i]) < 0 || HexValue(list[i + 1]) < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(HexValue(list[i]) << 4 | HexValue(list[i + 1])));
        i += 2;
        while (i < list.size() && IsBlank(list[i]))
            ++i;
        if (i < list.size() && list[i++] != ',')
            return false;
    }
    return true;
}

class TReader {
public:
    TReader(const String& text, TRegFileReceiver& receiver) : lines_(SplitLines(text)), receiver_(receiver) {}

    std::uint32_t Read()
    {
        if (lines_.empty() || lines_[0] != "REGEDIT4")
            return kRegFileBadFormat;
        std::uint32_t result = kRegFileOk;
        for (next_ = 1; next_ < lines_.size() && result == kRegFileOk;) {
            const String& line = lines_[next_++];
            if (line.empty())
                CloseKey();
            else if (line[0] == '[')
                result = ReadKeyLine(line);
            else if (line[0] == '@' || line[0] == '"')
                result = ReadValueLine(line);
            // Any other line (a comment, say) is passed over.
        }
        CloseKey();
        return result;
    }

private:
    void CloseKey()
    {
        if (keyOpen_)
            receiver_.CloseKey();
        keyOpen_ = false;
    }

    std::uint32_t ReadKeyLine(const String& line)
    {
        if (line.size() < 3 || line.back() != ']')
            return kRegFileBadFormat;
        const String inner = line.substr(1, line.size() - 2);
        const size_t slash = inner.find('\\');
        if (slash == String::npos || slash == 0 || slash > kLongestRootName || slash + 1 == inner.size())
            return kRegFileBadFormat;
        const String rootName = inner.substr(0, slash);
        TRootKey root = kNoRootKey;
        for (int index = 0; index < kRootKeyCount; ++index)
            if (rootName == RootKeyLongName(index))
                root = RootKeyOfIndex(index);
        if (root == kNoRootKey)
            return kRegFileBadFormat;
        CloseKey();
        const std::uint32_t result = receiver_.OpenKey(root, inner.substr(slash + 1));
        keyOpen_ = result == kRegFileOk;
        return result;
    }

    std::uint32_t ReadValueLine(const String& line)
    {
        TRegFileValue value;
        size_t at = 1;  // after "@"
        if (line[0] == '"') {
            at = 0;
            if (!ReadQuoted(line, at, value.Name) || value.Name.empty())
                return kRegFileBadFormat;
        }
        if (at >= line.size() || line[at] != '=')
            return kRegFileBadFormat;
        if (!ReadData(line.substr(at + 1), value))
            return kRegFileBadFormat;
        return receiver_.SetValue(value);
    }

    bool ReadData(const String& data, TRegFileValue& value)
    {
        if (!data.empty() && data[0] == '"') {
            size_t at = 0;
            String text;
            if (!ReadQuoted(data, at, text) || at != data.size())
                return false;
            value.Type = kRegSz;
            value.Data.assign(text.begin(), text.end());
            value.Data.push_back(0);  // stored with its terminating zero, as the system stores texts
            return true;
        }
        const size_t colon = data.find(':');
        if (colon == String::npos || colon > kLongestTypeWord)
            return false;
        const String word = LowerCase(data.substr(0, colon));
        const String rest = data.substr(colon + 1);
        if (word == "dword") {
            if (rest.size() != 8)
                return false;
            std::uint32_t number = 0;
            for (char c : rest) {
                if (HexValue(c) < 0)
                    return false;
                number = number << 4 | static_cast<std::uint32_t>(HexValue(c));
            }
            value.Type = kRegDword;
            value.Data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
            return true;
        }
        if (word == "hex") {
            value.Type = kRegBinary;
        } else if (word.size() > 5 && word.size() <= 13 && word.compare(0, 4, "hex(") == 0 && word.back() == ')') {
            std::uint32_t type = 0;
            for (size_t i = 4; i + 1 < word.size(); ++i) {
                if (HexValue(word[i]) < 0)
                    return false;
                type = type << 4 | static_cast<std::uint32_t>(HexValue(word[i]));
            }
            value.Type = type;
        } else {
            return false;
        }
        return ReadHexBytes(JoinContinuations(rest), value.Data);
    }

    // A list ending in "\" goes on in the next line, whatever its column.
    String JoinContinuations(String list)
    {
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            if (next_ >= lines_.size())
                break;
            list += TrimBlanksLeft(lines_[next_++]);
        }
        return list;
    }

    std::vector<String> lines_;
    TRegFileReceiver& receiver_;
    size_t next_ = 1;
    bool keyOpen_ = false;
};

}  // namespace

String RegKeyLine(TRootKey root, const String& path)
{
    const int index = RootKeyIndexOf(root);
    if (index < 0 || !FitsOneLine(path))
        return String();
    return "[" + RootKeyLongName(index) + "\\" + path + "]\r\n";
}

String FormatRegValue(const String& name, const std::uint8_t* data, size_t size, std::uint32_t type)
{
    if (!FitsOneLine(name))
        return String();
    String line = name.empty() ? String("@=") : "\"" + Escaped(name) + "\"=";
    if (type == kRegSz && FitsQuotedText(data, size)) {
        line += "\"" + Escaped(String(reinterpret_cast<const char*>(data), size - 1)) + "\"";
    } else if (type == kRegDword && size == 4) {
        const std::uint32_t number = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                                     static_cast<std::uint32_t>(data[2]) << 16 |
                                     static_cast<std::uint32_t>(data[3]) << 24;
        line += "dword:" + LowerCase(IntToHex(number, 8));
    } else {
        line += (type == kRegBinary ? String("hex:") : HexTypeWord(type)) + HexBytes(data, size);
    }
    return line + "\r\n";
}

std::uint32_t ReadRegText(const String& text, TRegFileReceiver& receiver) { return TReader(text, receiver).Read(); }
