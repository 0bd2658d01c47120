// The pieces every record of the definitions database is made of: 3-byte
// tags, 32-bit little-endian numbers and strings (a 32-bit byte count, then
// the bytes). Readers check every count against the bytes left before they
// allocate, so a damaged file can only fail a load, never over-read.
#pragma once

#include <cstdint>

#include "classlib/streams.h"
#include "classlib/sysutils.h"

constexpr size_t kTagSize = 3;

bool WriteTag(TStream& file, const String& tag);
bool WriteUInt32(TStream& file, std::uint32_t value);
// False too for a text that a 32-bit count can't hold.
bool WriteRecordString(TStream& file, const String& text);

bool ReadUInt32(TStream& file, std::uint32_t& value);
bool ReadRecordString(TStream& file, String& text);
