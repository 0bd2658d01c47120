// The rules behind the settings store, free of Win32 so that they can be
// tested on their own: how Internet Explorer's proxy text splits into host
// and port, what a fixed 260-byte buffer keeps of a registry text, and which
// stored values a setting accepts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "classlib/sysutils.h"

// The browser's proxy text is read into a buffer of this many bytes, its
// terminating NUL included.
constexpr std::size_t kProxyTextBufferSize = 260;

// Registry data types by their Win32 numbers (REG_SZ, ...).
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

// The C library's atoi: leading white space, an optional sign, then decimal
// digits up to the first other character; no digits give 0. Where atoi's
// result is undefined (out of range) this clamps to the 32-bit limits.
std::int32_t AtoiValue(const String& text);

struct TProxyServerText {
    String Host;
    std::int32_t Port = 0;
};
// Splits at the first ':': the host before it, the port by atoi after it.
// Without ':' the whole text is the host and the port is 0.
TProxyServerText SplitProxyServer(const String& text);

// What a fixed buffer of `bufferSize` bytes keeps of stored text bytes: the
// text up to the first NUL, cut so that the buffer's own NUL still fits.
String TextInFixedBuffer(const std::uint8_t* data, std::size_t size, std::size_t bufferSize);

// Internet Explorer's proxy: whether it is on, its host and its port.
struct TIEProxy {
    bool Enabled = false;
    String Host;
    std::int32_t Port = 0;
};
// From the values read: ProxyEnable (none when missing or unusable) and
// the ProxyServer text (none when missing or unusable). An empty text turns
// the proxy off whatever ProxyEnable says.
TIEProxy IEProxyFrom(std::optional<bool> proxyEnable, const std::optional<String>& proxyServer);

// The kinds of stored settings and the registry values each accepts: a
// flag or a number is a 4-byte DWORD, a text REG_SZ or REG_EXPAND_SZ (read
// as it is), a time REG_BINARY of exactly 16 bytes. Anything else keeps the
// setting's default.
enum class TSettingKind { Flag, Number, Text, Time };
constexpr std::size_t kSettingTimeSize = 16;
bool SettingValueFits(TSettingKind kind, std::uint32_t type, std::size_t size);

// ProxyEnable is a 4-byte value; old browsers stored it as binary.
bool ProxyEnableValueFits(std::uint32_t type, std::size_t size);
