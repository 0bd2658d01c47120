#include "classlib/thread_stop.h"

bool TWorkerHandle::Running() const
{
    return handle.Valid() && WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT;
}

TWorkerHandle StartWorker(std::unique_ptr<TThread> thread)
{
    TWorkerHandle worker;
    if (!thread)
        return worker;
    worker.threadId = thread->ThreadID();
    worker.handle = thread->DuplicateWaitHandle();
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
        const DWORD rc = MsgWaitForMultipleObjects(1, &handle, FALSE, wait, QS_SENDMESSAGE);
        if (rc == WAIT_OBJECT_0)
            return true;
        if (rc == WAIT_OBJECT_0 + 1) {
            MSG msg;
            // Dispatches pending sent messages and removes nothing else.
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (rc == WAIT_TIMEOUT)
            return false;
        return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;  // a failed wait: report the truth
    }
}

bool StopWorker(TWorkerHandle& worker, DWORD timeoutMs)
{
    if (!worker.handle.Valid())
        return true;
    // The worker makes its queue first thing; until then (and once it has
    // ended) posting fails. Retry briefly, watching the thread itself.
    for (int attempt = 0; attempt < 400; ++attempt) {
        if (WaitForSingleObject(worker.handle.Get(), 0) == WAIT_OBJECT_0)
            break;
        if (PostThreadMessageA(worker.threadId, WM_QUIT, 0, 0))
            break;
        WaitHandlingSentMessages(worker.handle.Get(), 5);
    }
    if (!WaitHandlingSentMessages(worker.handle.Get(), timeoutMs))
        return false;
    worker.handle.Reset();
    worker.threadId = 0;
    return true;
}
