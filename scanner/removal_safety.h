// What no definition may make the program remove. Definitions come from a
// downloaded file and from registry values that spyware itself may control,
// and the scan page can mark every result at once, so every scanner asks
// here before it reports or touches a registry key, a file or a process.
// The lists are closed and compared without regard to letter case.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/sysutils.h"
#include "scanner/root_keys.h"

// A registry root, a structural key or an ancestor of one (deleting it would
// delete them), in the native and the 32-bit view and in each user's hive
// under HKEY_USERS; a malformed path, one holding a control character (the
// system would stop at a NUL and act on the shorter path), or a root that is
// never touched. Deleting a value inside a protected key stays allowed: that
// is how autorun and browser entries are removed.
bool IsProtectedRegistryKey(int rootIndex, const String& path);
// A key path the system reads as written: not empty or blank, no leading
// backslash, no empty component, no control character; one trailing
// backslash is allowed. What IsProtectedRegistryKey asks of every path, for
// callers that write a value into a key rather than remove it.
bool IsWellFormedKeyPath(const String& path);
bool IsProtectedRegistryKey(TRootKey root, const String& path);

// "{8-4-4-4-12}" of hexadecimal digits: the only browser-helper ids used.
bool IsClassIdForm(const String& id);
// A class name or ProgID read from the registry, used as a key below
// HKEY_CLASSES_ROOT: one component, no control character, and none of the
// system's own classes.
bool IsUsableClassName(const String& name);

struct TSafetyFolders {
    String ProgramFolder;
    String DataFolder;
    String WindowsFolder;
    String SystemFolder;
};

// A path that isn't plainly one file (a control character among them), a
// file of the program or its data, a core system file in the Windows or
// system folder, or a boot file in the root of the system drive. Whether the
// path is a folder is for the caller to ask the file system.
bool IsProtectedFilePath(const String& path, const TSafetyFolders& folders);

struct TProtectedProcesses {
    std::uint32_t OwnProcessId = 0;
    std::vector<std::uint32_t> AlertProcessIds;  // running alert programs
};

// A system process, the idle and system ids, the program or its alert program.
bool IsProtectedProcess(const String& imageName, std::uint32_t processId, const TProtectedProcesses& ids);
// The names alone: a process definition naming one is refused when appended.
bool IsProtectedProcessName(const String& imageName);
