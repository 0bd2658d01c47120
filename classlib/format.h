// A safe Format for the class library's format texts. The texts come from the
// user-editable translation table, so a wrong, missing or extra specifier must
// never reach undefined behaviour: Format raises EConvertError, TryFormat
// answers false, and FormatText falls back to the English default.
//
// Specifiers, as the class library reads them: %[index:][-][width][.precision]
// type, with type d, u, x (upper-case digits), s or f, in either case, and %%
// for a percent sign. Precision pads numbers with zeros; width pads with blanks.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <variant>

#include "classlib/sysutils.h"

class FormatArg {
public:
    FormatArg(int v) : value_(std::int64_t{v}) {}
    FormatArg(long v) : value_(std::int64_t{v}) {}
    FormatArg(long long v) : value_(std::int64_t{v}) {}
    FormatArg(unsigned v) : value_(std::uint64_t{v}) {}
    FormatArg(unsigned long v) : value_(std::uint64_t{v}) {}
    FormatArg(unsigned long long v) : value_(std::uint64_t{v}) {}
    FormatArg(double v) : value_(v) {}
    FormatArg(const char* v) : value_(String(v ? v : "")) {}
    FormatArg(const String& v) : value_(v) {}

    const std::variant<std::int64_t, std::uint64_t, double, String>& Value() const { return value_; }

private:
    std::variant<std::int64_t, std::uint64_t, double, String> value_;
};

using FormatArgs = std::initializer_list<FormatArg>;

bool TryFormat(const String& format, FormatArgs args, String& result);
String Format(const String& format, FormatArgs args);
// `text` formatted when it fits the arguments, else `englishDefault` formatted,
// else `englishDefault` as it stands.
String FormatText(const String& text, const String& englishDefault, FormatArgs args);
