// Shows a registry key, and a value of it, in the system's registry editor
// by typing into its windows: the root node's first letters into the tree
// (its type-ahead search finds the node), each key name followed by Right
// (open the node, go below it), then the value name into the list. Every
// wait is bounded, so a slow or hung editor costs seconds, not the program.
#pragma once

#include <windows.h>

#include "classlib/sysutils.h"

// The registry editor's top window, started through the shell
// (CurrentShellOpener) when none runs; null when it cannot be found or
// started within a few seconds.
HWND FindRegistryEditor();

// `keyPath` below `root`, e.g. "SOFTWARE\Microsoft" (a leading "\" is
// allowed); `valueName` "" for the key alone. False when nothing could be
// typed in full: no editor, a root that isn't a predefined key (nothing is
// started then), an editor without the tree or, for a value, the list, or an
// editor that stopped answering. A window that wasn't found gets no keys.
bool OpenInRegistryEditor(HKEY root, const String& keyPath, const String& valueName);
