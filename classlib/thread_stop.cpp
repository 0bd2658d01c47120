#include "classlib/thread_stop.h"

#include <algorithm>

bool TWorkerHandle::Running() const
{
    return handle.Valid() && WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT;
}

TWorkerHandle StartWorker(std::unique_ptr<TThread> thread)
{
    TWorkerHandle worker;
    if (!thread || !thread->Handle())
        return worker;  // a thread that couldn't be made: no worker
    worker.handle = thread->DuplicateWaitHandle();
    if (!worker.handle.Valid())
        return worker;  // never started: a worker nobody could stop
    worker.threadId = thread->ThreadID();
    TThread::StartOwned(std::move(thread));
    return worker;
}

bool WaitHandlingSentMessages(HANDLE handle, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (true) {
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const DWORD elapsed = GetTickCount() - start;  // wraps safely
            wait = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        }
        // Answer what was sent already (a message someone else has looked
        // at no longer wakes a plain wait), then wait for more or the end.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD rc = MsgWaitForMultipleObjectsEx(1, &handle, wait, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (rc == WAIT_OBJECT_0)
            return true;
        if (rc == WAIT_OBJECT_0 + 1)
            continue;
        if (rc == WAIT_TIMEOUT)
            return false;
        return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;  // a failed wait: report the truth
    }
}

bool StopWorker(TWorkerHandle& worker, DWORD timeoutMs)
{
    if (!worker.handle.Valid())
        return true;
    // The worker makes its queue first thing; until then posting fails.
    // Keep posting, a few milliseconds apart, until it takes or the thread
    // has ended; all of it within the time allowed.
    const DWORD start = GetTickCount();
    const auto left = [&]() -> DWORD {
        if (timeoutMs == INFINITE)
            return INFINITE;
        const DWORD elapsed = GetTickCount() - start;
        return elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    };
    bool posted = false;
    while (true) {
        if (!posted)
            posted = PostThreadMessageA(worker.threadId, WM_QUIT, 0, 0) != 0;
        const DWORD wait = posted ? left() : std::min<DWORD>(5, left());
        if (WaitHandlingSentMessages(worker.handle.Get(), wait))
            break;
        if (left() == 0)
            return false;
    }
    worker.handle.Reset();
    worker.threadId = 0;
    return true;
}
