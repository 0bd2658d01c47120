// Waits, and does nothing else: the test starts copies of it under the names
// of spyware processes and of the alert program. It ends by itself after the
// seconds of its first argument (60 by default), so a failed test leaves no
// process behind for long.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 60) * 1000u);
    return 0;
}
