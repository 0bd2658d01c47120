// Known spyware locations are written relative to four folders of the
// machine, each named by a four-character token at the start of the location
// ("<pf>\spy\spy.exe"). The folders are read once per search (the Win32
// side) and expanded here, free of <windows.h>, so the rules run natively.
#pragma once

#include "classlib/sysutils.h"

// The text each token stands for; "" when the machine didn't give it.
struct TKnownLocationFolders {
    String ProgramFiles;  // "<PF>", no trailing backslash
    String WindowsDrive;  // "<WR>", the drive letter and ":"
    String Windows;       // "<WD>", no trailing backslash
    String System;        // "<SD>", no trailing backslash
};

// The token texts from the folders as the system gives them (any trailing
// backslash is dropped). The drive is the Windows folder's, or the
// program's own when the Windows folder is unknown.
TKnownLocationFolders KnownLocationFoldersFrom(const String& programFiles, const String& windows,
                                               const String& system, const String& programPath);

// The token's text (tokens in any letter case) followed by the location from
// its fifth character on. An unknown token drops its four characters and
// nothing takes their place; an unknown folder leaves only the rest, so the
// result need not be a full path: callers screen it as any file path.
String ExpandKnownLocation(const String& location, const TKnownLocationFolders& folders);
