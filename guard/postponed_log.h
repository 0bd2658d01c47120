// Log lines raised before the events log can show them (while the lists load
// at start-up). The main form takes them once its log exists.
#pragma once

#include <vector>

#include "classlib/sysutils.h"

enum TLogLevel { llPlain = 0, llSuccess = 1, llWarning = 2 };

struct TLogLine {
    String text;
    int level = llPlain;
};

void PostponeLogLine(const String& text, int level);
std::vector<TLogLine> TakePostponedLogLines();
