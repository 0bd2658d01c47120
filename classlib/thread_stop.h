// Starting a self-freeing worker and stopping it again from the GUI thread.
// The starter keeps the thread's id and a handle of its own, so nothing ever
// touches the thread object after it may have freed itself.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/thread.h"
#include "classlib/win_handle.h"

struct TWorkerHandle {
    DWORD threadId = 0;
    TUniqueHandle handle;

    bool Running() const;
};

// Hands the thread over to itself (it frees itself when it ends) and starts it.
TWorkerHandle StartWorker(std::unique_ptr<TThread> thread);

// Posts WM_QUIT to the worker and waits until it has ended. While it waits it
// handles only messages sent to this thread (a worker inside SendMessage to
// us gets its answer), never posted or input messages, so nothing re-enters
// the caller. Answers false when `timeoutMs` ran out first; the handle is
// released once the worker has ended.
bool StopWorker(TWorkerHandle& worker, DWORD timeoutMs = INFINITE);

// Waits for `handle` while handling sent messages only.
bool WaitHandlingSentMessages(HANDLE handle, DWORD timeoutMs);
