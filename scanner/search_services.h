// The registry and folder services the scanners share, and what removal
// safety needs to know of this machine.
#pragma once

#include <windows.h>

#include "classlib/sysutils.h"
#include "scanner/removal_safety.h"
#include "scanner/root_keys.h"

// The predefined root of a root value; null for kNoRootKey and any other.
HKEY RootKeyHandleOf(TRootKey root);
// A shell folder by its CSIDL number, with a trailing backslash; "" when the
// system has none.
String SpecialFolderPath(int csidl);
bool KeyExists(TRootKey root, const String& path);
// The system's text for an error code.
String SystemErrorText(DWORD code);

// The Windows and the system folder, without a trailing backslash; "" when
// the system doesn't give it.
String WindowsFolder();
String SystemFolder();
// The program's folder, its data folder, and the Windows and system folders.
TSafetyFolders ThisProgramSafetyFolders();
// A file that may be deleted: no protected path, and not a folder.
bool IsRemovableFile(const String& path, const TSafetyFolders& folders);
