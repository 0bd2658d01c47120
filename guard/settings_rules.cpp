#include "guard/settings_rules.h"

#include <limits>

namespace {

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::int32_t AtoiValue(const String& text)
{
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing once past the
    // 32-bit range, so that a long run of digits never overflows.
    constexpr std::int64_t limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (magnitude <= limit)
            magnitude = magnitude * 10 + (text[i] - '0');
    if (negative)
        return magnitude >= limit ? std::numeric_limits<std::int32_t>::min() : static_cast<std::int32_t>(-magnitude);
    return magnitude >= limit ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(magnitude);
}

TProxyServerText SplitProxyServer(const String& text)
{
    const size_t colon = text.find(':');
    if (colon == String::npos)
        return {text, 0};
    return {text.substr(0, colon), AtoiValue(text.substr(colon + 1))};
}

String TextInFixedBuffer(const std::uint8_t* data, std::size_t size, std::size_t bufferSize)
{
    if (!data || bufferSize == 0)
        return String();
    const size_t room = bufferSize - 1;
    size_t length = 0;
    while (length < size && length < room && data[length] != 0)
        ++length;
    return String(reinterpret_cast<const char*>(data), length);
}

TIEProxy IEProxyFrom(std::optional<bool> proxyEnable, const std::optional<String>& proxyServer)
{
    TIEProxy proxy;
    proxy.Enabled = proxyEnable.value_or(false);
    if (!proxyServer)
        return proxy;
    if (proxyServer->empty()) {
        proxy.Enabled = false;
        return proxy;
    }
    TProxyServerText split = SplitProxyServer(*proxyServer);
    proxy.Host = std::move(split.Host);
    proxy.Port = split.Port;
    return proxy;
}

bool SettingValueFits(TSettingKind kind, std::uint32_t type, std::size_t size)
{
    switch (kind) {
    case TSettingKind::Flag:
    case TSettingKind::Number: return type == kRegDword && size == 4;
    case TSettingKind::Text: return type == kRegSz || type == kRegExpandSz;
    case TSettingKind::Time: return type == kRegBinary && size == kSettingTimeSize;
    }
    return false;
}

bool ProxyEnableValueFits(std::uint32_t type, std::size_t size)
{
    return (type == kRegDword || type == kRegBinary) && size == 4;
}
