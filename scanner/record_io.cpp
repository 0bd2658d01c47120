#include "scanner/record_io.h"

bool WriteTag(TStream& file, const String& tag)
{
    return tag.size() == kTagSize && file.Write(tag.data(), kTagSize) == kTagSize;
}

bool WriteUInt32(TStream& file, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return file.Write(bytes, sizeof bytes) == sizeof bytes;
}

bool WriteRecordString(TStream& file, const String& text)
{
    if (text.size() > UINT32_MAX)
        return false;
    return WriteUInt32(file, static_cast<std::uint32_t>(text.size())) &&
           (text.empty() || file.Write(text.data(), text.size()) == text.size());
}

bool ReadUInt32(TStream& file, std::uint32_t& value)
{
    std::uint8_t bytes[4];
    if (file.Read(bytes, sizeof bytes) != sizeof bytes)
        return false;
    value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

bool ReadRecordString(TStream& file, String& text)
{
    std::uint32_t length = 0;
    if (!ReadUInt32(file, length) || length > file.Remaining())
        return false;
    String read(length, '\0');
    if (length != 0 && file.Read(read.data(), length) != length)
        return false;
    text = std::move(read);
    return true;
}
