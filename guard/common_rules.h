// The rules behind the common services, free of Win32 so that they can be
// tested on their own: where the data folder lies, how whole days are counted
// and which system versions count as XP or later.
#pragma once

#include <cstdint>

#include "classlib/sysutils.h"

// The shell's local application-data folder + "Talmoris\", or the program's
// folder when the shell gives none; always with a trailing delimiter.
String DataFolderFor(const String& localAppDataFolder, const String& programFolder);

// Whole days between two times given in 100 ns ticks, in either order.
std::uint64_t WholeDaysBetweenTicks(std::uint64_t a, std::uint64_t b);

// True for NT versions from 5.1 on (XP, Server 2003, Vista, 7, 8, 10, ...).
bool IsXPOrLaterVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);
