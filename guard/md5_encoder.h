// MD5 (RFC 1321). Digests print as 32 lower-case hexadecimal digits. Each
// TMD5 holds its own state, so digests on different threads never interfere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "classlib/sysutils.h"

class TMD5 {
public:
    TMD5();
    void Update(const void* bytes, std::size_t length);
    std::array<std::uint8_t, 16> Final();

private:
    void Transform(const std::uint8_t block[64]);

    std::uint32_t state_[4];
    std::uint64_t length_ = 0;  // bytes digested
    std::uint8_t buffer_[64] = {};
};

String DigestToHex(const std::array<std::uint8_t, 16>& digest);
String HashBytesMD5(const void* bytes, std::size_t length);
String HashStringMD5(const String& text);
