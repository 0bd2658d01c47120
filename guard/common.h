// Small stateless services shared by the whole program: where its data live,
// digests of texts and files, file sizes, whole days between dates, the
// system version test and text lookup by id. None of them raises: failures
// give the documented fallback.
#pragma once

#include <windows.h>

#include <cstdint>

#include "classlib/controls.h"
#include "classlib/sysutils.h"
#include "guard/crc32.h"
#include "guard/interface_translator.h"
#include "guard/md5_encoder.h"

String GetProgramFileName();  // the running program's file, "" when it can't be had
String GetProgramFolder();    // the folder of the running program, with a trailing backslash
String GetDataFolder();
// A shell folder by its CSIDL number, without a trailing backslash; "" when
// the system has none.
String ShellFolderPath(int csidl);

// The MD5 of the whole file, or "" when it can't be opened, sized or mapped
// (an empty file can't be mapped, and a file held without read sharing can't
// be opened).
String HashFileMD5(const String& fileName);
// The MD5 of the file read through (any size, an empty file included),
// shared with writers; false when it can't be opened or read just now.
bool TryHashFileMD5(const String& fileName, String& digest);
std::uint32_t QueryFileSize(const String& fileName);

// A time that can't be converted (the all-zero default of a setting that was
// never written) counts as the beginning of time.
std::uint64_t WholeDaysBetween(const SYSTEMTIME& a, const SYSTEMTIME& b);
bool IsWindowsXPOrLater();

// Makes `child` the only visible windowed control of `container`; controls
// tagged 1000 keep their visibility. A null container does nothing.
constexpr std::int32_t kKeepVisibleTag = 1000;
void ShowOnlyChild(TWinControl* container, const TWinControl* child);
