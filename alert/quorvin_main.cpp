// Quorvin, the security alert program. The alert window comes with the
// question hand-over; until then the program ends at once without an answer.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
