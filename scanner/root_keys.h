// The seven predefined registry roots as the scanner names them: an index
// 0-6 (what KEY records store), a long name, a short prefix, and the root's
// fixed handle value (what found items and quarantine files carry). Handle
// values are kept as 32-bit numbers so this builds without <windows.h>; the
// Win32 side turns them into HKEYs.
#pragma once

#include <cstdint>

#include "classlib/sysutils.h"

using TRootKey = std::uint32_t;

constexpr TRootKey kNoRootKey = 0xFFFFFFFFu;  // files and processes
constexpr int kRootKeyCount = 7;

constexpr TRootKey kClassesRoot = 0x80000000u;
constexpr TRootKey kCurrentUser = 0x80000001u;
constexpr TRootKey kLocalMachine = 0x80000002u;
constexpr TRootKey kUsers = 0x80000003u;
constexpr TRootKey kPerformanceData = 0x80000004u;
constexpr TRootKey kCurrentConfig = 0x80000005u;
constexpr TRootKey kDynData = 0x80000006u;

// 0-6 by the long name, ignoring case; -1 when none matches.
int RootKeyIndex(const String& longName);
// The index of a root handle value; -1 for kNoRootKey and any other value.
int RootKeyIndexOf(TRootKey root);
// kNoRootKey for an index outside 0-6.
TRootKey RootKeyOfIndex(int index);
// "HKLM\" and the like; "" for kNoRootKey and any other value.
String RootKeyPrefix(TRootKey root);
// "HKEY_LOCAL_MACHINE" and the like; "" for an index outside 0-6.
String RootKeyLongName(int index);
