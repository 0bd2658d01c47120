// A worker thread in the class library's manner: created suspended, started
// with Start, its body in Execute. It keeps its own handle and id for the
// whole life of the object, so whoever waits on it waits on a valid handle.
//
// A thread that frees itself (FreeOnTerminate, set before Start) deletes its
// object when Execute returns; WaitFor is refused on such a thread, and a
// caller that must wait takes its own handle with DuplicateWaitHandle before
// Start. The owner of a thread that doesn't free itself ends it (Terminate,
// WaitFor) before destroying it: destroying a running thread object stops
// the program rather than let the body run on over a destroyed object.
//
// When the system can't make the thread, the object still stands with a null
// Handle(): nothing of it ever runs, and the creator decides what to do.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "classlib/win_handle.h"

class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Self-freeing threads must be heap objects handed over with Release():
    // `TThread::StartOwned(std::move(thread))`. A thread the system couldn't
    // make is freed at once: false.
    static bool StartOwned(std::unique_ptr<TThread> thread);

    void Start();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Waits for Execute to return and answers ReturnValue; raises on a
    // self-freeing thread.
    DWORD WaitFor();

    // Null when the system couldn't make the thread.
    HANDLE Handle() const { return handle_.Get(); }
    // The error of a thread the system couldn't make; 0 otherwise.
    DWORD CreationError() const { return creationError_; }
    DWORD ThreadID() const { return threadId_; }
    bool FreeOnTerminate() const { return freeOnTerminate_; }
    // A handle of the caller's own that stays valid after the thread has
    // ended and freed itself.
    TUniqueHandle DuplicateWaitHandle() const;

    DWORD ReturnValue() const { return returnValue_; }

protected:
    virtual void Execute() = 0;
    void SetReturnValue(DWORD value) { returnValue_ = value; }

private:
    static DWORD WINAPI ThreadProc(void* self);

    TUniqueHandle handle_;
    DWORD threadId_ = 0;
    DWORD creationError_ = 0;
    std::atomic<bool> terminated_{false};
    bool started_ = false;
    bool abandoned_ = false;  // destroyed before it was started
    bool freeOnTerminate_ = false;
    DWORD returnValue_ = 0;
};
