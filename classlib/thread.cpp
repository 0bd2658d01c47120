#include "classlib/thread.h"

#include <exception>

#include "classlib/exceptions.h"

TThread::TThread()
{
    handle_.Reset(CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &threadId_));
    if (!handle_.Valid())
        creationError_ = GetLastError();
}

TThread::~TThread()
{
    // A self-freeing thread is destroyed from inside its own procedure.
    if (freeOnTerminate_ || !handle_.Valid())
        return;
    if (!started_) {
        // Never started: let the suspended thread run to an empty end.
        abandoned_ = true;
        started_ = true;
        ResumeThread(handle_.Get());
        WaitForSingleObject(handle_.Get(), INFINITE);
        return;
    }
    // By now the derived part is gone: a body still running would use it.
    // Owners end a started thread (Terminate, WaitFor) before destroying it.
    if (WaitForSingleObject(handle_.Get(), 0) != WAIT_OBJECT_0)
        std::terminate();
}

bool TThread::StartOwned(std::unique_ptr<TThread> thread)
{
    if (!thread || !thread->handle_.Valid())
        return false;  // nothing runs it: freed here
    TThread* self = thread.release();
    self->freeOnTerminate_ = true;
    self->Start();
    return true;
}

void TThread::Start()
{
    if (started_ || !handle_.Valid())
        return;
    started_ = true;
    ResumeThread(handle_.Get());
}

DWORD TThread::WaitFor()
{
    if (freeOnTerminate_)
        throw Exception("Cannot wait for a thread that frees itself");
    if (!handle_.Valid())
        return returnValue_;  // never made, never ran
    WaitForSingleObject(handle_.Get(), INFINITE);
    return returnValue_;
}

TUniqueHandle TThread::DuplicateWaitHandle() const
{
    HANDLE copy = nullptr;
    const HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, handle_.Get(), process, &copy, SYNCHRONIZE, FALSE, 0))
        return TUniqueHandle();
    return TUniqueHandle(copy);
}

DWORD WINAPI TThread::ThreadProc(void* param)
{
    auto* self = static_cast<TThread*>(param);
    // A thread destroyed before it was ever started runs no body.
    if (!self->abandoned_) {
        try {
            self->Execute();
        } catch (...) {
            // A worker's failure must not take the program down; its body
            // reports what it can before it ends.
        }
    }
    const DWORD result = self->returnValue_;
    if (self->freeOnTerminate_)
        delete self;  // owned by itself since StartOwned
    return result;
}
