#include "classlib/sysutils.h"

#include <cstdio>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The last position of a delimiter that ends the folder part, or npos.
size_t LastPathBreak(const String& fileName)
{
    for (size_t i = fileName.size(); i > 0; --i) {
        const char c = fileName[i - 1];
        if (IsPathDelimiter(c) || c == ':')
            return i - 1;
    }
    return String::npos;
}

}  // namespace

String Trim(const String& s) { return TrimLeft(TrimRight(s)); }

String TrimLeft(const String& s)
{
    size_t first = 0;
    while (first < s.size() && IsBlank(s[first]))
        ++first;
    return s.substr(first);
}

String TrimRight(const String& s)
{
    size_t end = s.size();
    while (end > 0 && IsBlank(s[end - 1]))
        --end;
    return s.substr(0, end);
}

String LowerCase(const String& s)
{
    String result = s;
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

String UpperCase(const String& s)
{
    String result = s;
    for (char& c : result)
        c = AsciiUpper(c);
    return result;
}

int CompareText(const String& a, const String& b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(const String& a, const String& b) { return a.size() == b.size() && CompareText(a, b) == 0; }

int CompareStr(const String& a, const String& b)
{
    const int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

String IntToStr(std::int64_t value) { return std::to_string(value); }

String IntToHexBits(std::uint64_t value, int digits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    String result;
    do {
        result.insert(result.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(result.size()) < digits)
        result.insert(result.begin(), '0');
    return result;
}

std::int64_t StrToInt64Def(const String& text, std::int64_t fallback)
{
    const String s = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return fallback;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return fallback;
        if (magnitude > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base))
            return fallback;
        magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    if (negative)
        return magnitude == (std::uint64_t{1} << 63) ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    return static_cast<std::int64_t>(magnitude);
}

int StrToIntDef(const String& s, int fallback)
{
    const std::int64_t v = StrToInt64Def(s, std::int64_t{fallback});
    if (v < INT32_MIN || v > INT32_MAX)
        return fallback;
    return static_cast<int>(v);
}

int Pos(const String& sub, const String& s)
{
    if (sub.empty())
        return 0;
    const size_t at = s.find(sub);
    return at == String::npos ? 0 : static_cast<int>(at) + 1;
}

String Copy(const String& s, int index, int count)
{
    if (index < 1)
        index = 1;
    if (count <= 0 || static_cast<size_t>(index) > s.size())
        return String();
    return s.substr(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

String StringReplace(const String& s, const String& oldPattern, const String& newPattern, unsigned flags)
{
    if (oldPattern.empty())
        return s;
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    const String haystack = ignoreCase ? UpperCase(s) : s;
    const String needle = ignoreCase ? UpperCase(oldPattern) : oldPattern;
    String result;
    size_t from = 0;
    while (true) {
        const size_t at = haystack.find(needle, from);
        if (at == String::npos)
            break;
        result.append(s, from, at - from);
        result += newPattern;
        from = at + needle.size();
        if ((flags & rfReplaceAll) == 0)
            break;
    }
    result.append(s, from, String::npos);
    return result;
}

bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }

String ExtractFilePath(const String& fileName)
{
    const size_t at = LastPathBreak(fileName);
    return at == String::npos ? String() : fileName.substr(0, at + 1);
}

String ExtractFileName(const String& fileName)
{
    const size_t at = LastPathBreak(fileName);
    return at == String::npos ? fileName : fileName.substr(at + 1);
}

String ExtractFileExt(const String& fileName)
{
    const String name = ExtractFileName(fileName);
    const size_t dot = name.rfind('.');
    return dot == String::npos ? String() : name.substr(dot);
}

String ChangeFileExt(const String& fileName, const String& extension)
{
    const String ext = ExtractFileExt(fileName);
    return fileName.substr(0, fileName.size() - ext.size()) + extension;
}

String IncludeTrailingPathDelimiter(const String& path)
{
    if (!path.empty() && IsPathDelimiter(path.back()))
        return path;
    return path + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& path)
{
    String result = path;
    while (!result.empty() && IsPathDelimiter(result.back()))
        result.pop_back();
    return result;
}

char AcceleratorOf(const String& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] != '&')
            return caption[i + 1];
        ++i;  // "&&" stands for one "&"
    }
    return 0;
}

bool IsAccel(char key, const String& caption)
{
    const char accelerator = AcceleratorOf(caption);
    return accelerator != 0 && key != 0 && UpperCase(String(1, accelerator)) == UpperCase(String(1, key));
}

String StripHotkey(const String& caption)
{
    String shown;
    shown.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 >= caption.size())
                break;  // a marker with nothing after it
            ++i;        // the marked character, or the second "&" of "&&"
        }
        shown += caption[i];
    }
    return shown;
}

String GetShortHint(const String& hint)
{
    const auto bar = hint.find('|');
    return bar == String::npos ? hint : hint.substr(0, bar);
}

String GetLongHint(const String& hint)
{
    const auto bar = hint.find('|');
    return bar == String::npos ? hint : hint.substr(bar + 1);
}
