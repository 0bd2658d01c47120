#include "classlib/format.h"

#include <cmath>
#include <cstdio>

#include "classlib/exceptions.h"

namespace {

struct Spec {
    bool leftAlign = false;
    int width = 0;
    int precision = -1;
    char type = 0;
};

constexpr int kMaxWidth = 4096;

bool ReadNumber(const String& f, size_t& i, int& value)
{
    if (i >= f.size() || f[i] < '0' || f[i] > '9')
        return false;
    value = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        value = value * 10 + (f[i] - '0');
        if (value > kMaxWidth)
            return false;
        ++i;
    }
    return true;
}

String Pad(const String& body, const Spec& spec)
{
    if (static_cast<int>(body.size()) >= spec.width)
        return body;
    const size_t fill = static_cast<size_t>(spec.width) - body.size();
    String out;
    out.reserve(static_cast<size_t>(spec.width));
    if (spec.leftAlign) {
        out.append(body).append(fill, ' ');
    } else {
        out.append(fill, ' ').append(body);
    }
    return out;
}

String Digits(std::uint64_t v, unsigned base, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    String s;
    do {
        s.insert(s.begin(), digits[v % base]);
        v /= base;
    } while (v != 0);
    return s;
}

// An integer argument for %d, %u and %x; negative values of 32-bit range
// print as their 32-bit pattern for the unsigned types, as the class library does.
bool IntegerBody(const FormatArg& arg, const Spec& spec, String& body)
{
    const auto& v = arg.Value();
    std::int64_t sv = 0;
    std::uint64_t uv = 0;
    bool isSigned;
    if (const auto* p = std::get_if<std::int64_t>(&v)) {
        sv = *p;
        isSigned = true;
    } else if (const auto* q = std::get_if<std::uint64_t>(&v)) {
        uv = *q;
        isSigned = false;
    } else {
        return false;
    }
    if (spec.type == 'd') {
        if (isSigned && sv < 0) {
            body = Digits(0 - static_cast<std::uint64_t>(sv), 10, false);
            body.insert(body.begin(), '-');
        } else {
            body = Digits(isSigned ? static_cast<std::uint64_t>(sv) : uv, 10, false);
        }
    } else {
        if (isSigned)
            uv = (sv < 0 && sv >= INT32_MIN) ? static_cast<std::uint32_t>(sv) : static_cast<std::uint64_t>(sv);
        body = spec.type == 'u' ? Digits(uv, 10, false) : Digits(uv, 16, true);
    }
    if (spec.precision > 0) {
        const size_t sign = (!body.empty() && body[0] == '-') ? 1 : 0;
        const size_t digits = body.size() - sign;
        if (digits < static_cast<size_t>(spec.precision))
            body.insert(sign, static_cast<size_t>(spec.precision) - digits, '0');
    }
    return true;
}

bool FloatBody(const FormatArg& arg, const Spec& spec, String& body)
{
    const auto* p = std::get_if<double>(&arg.Value());
    if (!p || !std::isfinite(*p))
        return false;
    const int precision = spec.precision < 0 ? 2 : (spec.precision > 18 ? 18 : spec.precision);
    char buffer[400];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", precision, *p);
    if (n < 0 || static_cast<size_t>(n) >= sizeof buffer)
        return false;
    body.assign(buffer, static_cast<size_t>(n));
    return true;
}

bool StringBody(const FormatArg& arg, const Spec& spec, String& body)
{
    const auto* p = std::get_if<String>(&arg.Value());
    if (!p)
        return false;
    body = *p;
    if (spec.precision >= 0 && body.size() > static_cast<size_t>(spec.precision))
        body.resize(static_cast<size_t>(spec.precision));
    return true;
}

}  // namespace

bool TryFormat(const String& f, FormatArgs args, String& result)
{
    const FormatArg* const argv = args.begin();
    const size_t argc = args.size();
    size_t next = 0;
    String out;
    size_t i = 0;
    while (i < f.size()) {
        const char c = f[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i >= f.size())
            return false;
        if (f[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // An explicit argument index "N:".
        size_t save = i;
        int index;
        if (ReadNumber(f, i, index) && i < f.size() && f[i] == ':') {
            next = static_cast<size_t>(index);
            ++i;
        } else {
            i = save;
        }
        Spec spec;
        if (i < f.size() && f[i] == '-') {
            spec.leftAlign = true;
            ++i;
        }
        // As in the class library, a leading 0 is part of the width, not a
        // flag: precision, not width, pads numbers with zeros.
        if (i < f.size() && f[i] >= '0' && f[i] <= '9' && !ReadNumber(f, i, spec.width))
            return false;
        if (i < f.size() && f[i] == '.') {
            ++i;
            if (!ReadNumber(f, i, spec.precision))
                return false;
        }
        if (i >= f.size())
            return false;
        spec.type = f[i++];
        if (spec.type >= 'A' && spec.type <= 'Z')
            spec.type = static_cast<char>(spec.type - 'A' + 'a');
        if (next >= argc)
            return false;
        const FormatArg& arg = argv[next++];
        String body;
        bool ok;
        switch (spec.type) {
        case 'd':
        case 'u':
        case 'x': ok = IntegerBody(arg, spec, body); break;
        case 'f': ok = FloatBody(arg, spec, body); break;
        case 's': ok = StringBody(arg, spec, body); break;
        default: ok = false; break;
        }
        if (!ok)
            return false;
        out += Pad(body, spec);
    }
    result = std::move(out);
    return true;
}

String Format(const String& format, FormatArgs args)
{
    String result;
    if (!TryFormat(format, args, result))
        throw EConvertError("Format '" + format + "' invalid or incompatible with argument");
    return result;
}

String FormatText(const String& text, const String& englishDefault, FormatArgs args)
{
    String result;
    if (TryFormat(text, args, result) || TryFormat(englishDefault, args, result))
        return result;
    return englishDefault;
}
