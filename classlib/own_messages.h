// Window messages that carry a pointer (or an order) between the program's
// own threads. The main window's handle is published for later starts, so
// any program on the desktop can send it a message; a handler must not read
// an address another program chose. A thread of ours sends such a message
// with SendOwnMessage, and the handler honours it only while IsOwnMessage
// finds that very send under way.
#pragma once

#include <windows.h>

// SendMessageA, with the message recorded as ours while it is handled.
LRESULT SendOwnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a thread of this process is sending exactly this message now.
bool IsOwnMessage(UINT message, WPARAM wParam, LPARAM lParam);
