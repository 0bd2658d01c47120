// Waits, and does nothing else: the test starts copies of it under the names
// of spyware processes and of the alert program. It ends by itself after the
// seconds of its command line (60 by default), so a failed test leaves no
// process behind for long. A window program, not a console one: under Wine a
// console program started without a console gets a console host of its own,
// which outlives it holding the test's output pipe open.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const int seconds = commandLine && *commandLine ? std::atoi(commandLine) : 60;
    Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 60) * 1000u);
    return 0;
}
