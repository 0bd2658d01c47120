#include "guard/postponed_log.h"

#include <mutex>

namespace {
std::mutex gLock;
std::vector<TLogLine> gLines;
}  // namespace

void PostponeLogLine(const String& text, int level)
{
    std::lock_guard<std::mutex> hold(gLock);
    gLines.push_back(TLogLine{text, level});
}

std::vector<TLogLine> TakePostponedLogLines()
{
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<TLogLine> lines;
    lines.swap(gLines);
    return lines;
}
