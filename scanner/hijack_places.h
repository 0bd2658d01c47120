// The lines of hijack.places: each names a registry value that decides a
// browser page and the text it is expected to hold, as
// "key path,value name=expected value".
#pragma once

#include "classlib/sysutils.h"

struct THijackPlace {
    String KeyPath;
    String ValueName;
    String Expected;  // what a fix writes back
};

// One place from its line. The line is trimmed first, so blanks after the
// expected value are not part of it (a fix that wrote them would leave a
// value the next scan finds again). The key path ends at the first ",", the
// value name at the first "=" after it. False for a blank line and for one
// without the "," or without an "=" after it.
bool ParseHijackPlace(const String& line, THijackPlace& place);
