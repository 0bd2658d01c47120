// CRC-32 of IEEE 802.3, as zip and PNG use it. Guard ids are the CRC-32 of
// the guard's GUID text. Stateless and safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>

std::uint32_t ComputeCRC32(const void* bytes, std::size_t length);
