// 8-bit string helpers with the class library's semantics: positions are
// 1-based, case rules are ASCII only, Trim strips every character <= ' '.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

using String = std::string;

String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);
String LowerCase(const String& s);
String UpperCase(const String& s);

// ASCII case-insensitive comparison, as the class library's CompareText:
// both sides are compared upper-cased, byte by byte.
int CompareText(const String& a, const String& b);
bool SameText(const String& a, const String& b);
int CompareStr(const String& a, const String& b);

String IntToStr(std::int64_t value);
// Upper-case hexadecimal, at least `digits` digits. A negative value prints
// as the bit pattern of its own width: IntToHex(-1, 8) is "FFFFFFFF".
String IntToHexBits(std::uint64_t value, int digits);
template <class T>
    requires std::is_integral_v<T>
String IntToHex(T value, int digits)
{
    return IntToHexBits(static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value)), digits);
}
// Decimal (optionally signed) or "$"/"0x" hexadecimal; anything else gives `fallback`.
std::int64_t StrToInt64Def(const String& s, std::int64_t fallback);
int StrToIntDef(const String& s, int fallback);

// 1-based position of `sub` in `s`, 0 when absent.
int Pos(const String& sub, const String& s);
// `count` characters from 1-based `index`, clipped to the string.
String Copy(const String& s, int index, int count);

enum TReplaceFlags : unsigned {
    rfNone = 0,
    rfReplaceAll = 1,
    rfIgnoreCase = 2,
};
String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     unsigned flags);

// File names: both '\' and '/' separate folders; a drive colon ends a path.
constexpr char PathDelim =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif
bool IsPathDelimiter(char c);
String ExtractFilePath(const String& fileName);  // with its trailing delimiter
String ExtractFileName(const String& fileName);
String ExtractFileExt(const String& fileName);   // with the dot, "" when none
String ChangeFileExt(const String& fileName, const String& extension);
String IncludeTrailingPathDelimiter(const String& path);
String ExcludeTrailingPathDelimiter(const String& path);

// The accelerator of a caption: the character after a single "&" ("&&" is
// a literal ampersand), 0 when there is none.
char AcceleratorOf(const String& caption);
// True when `key` is the caption's accelerator, compared without case.
bool IsAccel(char key, const String& caption);
// The caption as shown: its "&" markers dropped, "&&" as one "&".
String StripHotkey(const String& caption);
// A hint "short|long": the part before the bar, and the part after it (each
// the whole text when there is no bar).
String GetShortHint(const String& hint);
String GetLongHint(const String& hint);
