// One instance per user desktop. Every start creates the mutex
// "TAL_MORIS_MUTEX"; a start that finds it already there hands over to the
// running instance, whose main form has published its window and its
// application window in the 8-byte block "TAL_MORIS_HWND", and ends.
#pragma once

#include <windows.h>

#include "classlib/win_handle.h"

// Sent to the running instance's main form: show yourself.
constexpr UINT WM_ACTIVATE_INSTANCE = 99785;

constexpr char kInstanceMutexName[] = "TAL_MORIS_MUTEX";
constexpr char kInstanceBlockName[] = "TAL_MORIS_HWND";
// How long a second start waits for the running instance to answer.
constexpr DWORD kHandOverTimeoutMs = 5000;

class TInstanceMutex {
public:
    TInstanceMutex();
    // Another instance made the mutex first.
    bool AnotherInstanceRuns() const { return alreadyExists_; }

private:
    TUniqueHandle mutex_;
    bool alreadyExists_ = false;
};

// Asks the running instance to show its main form and brings it to the
// front. False when no running main form could be found in the block (a
// start while the first instance is still making its form): start normally
// then. A running instance that doesn't answer within `timeoutMs` (hung) is
// still a running instance: true, so no second one starts.
bool HandOverToRunningInstance(DWORD timeoutMs = kHandOverTimeoutMs);

// The running instance's side: the block with its two window handles, held
// open while the main form lives.
class TInstanceBlock {
public:
    bool Publish(HWND mainForm, HWND applicationWindow);

private:
    TUniqueHandle mapping_;
};
