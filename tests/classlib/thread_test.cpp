#include "classlib/thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class TRecordingThread : public TThread {
public:
    explicit TRecordingThread(std::atomic<int>& runs, HANDLE release = nullptr) : runs_(runs), release_(release) {}

protected:
    void Execute() override
    {
        if (release_)
            WaitForSingleObject(release_, 10000);
        ++runs_;
        SetReturnValue(GetCurrentThreadId());
    }

private:
    std::atomic<int>& runs_;
    HANDLE release_;
};

}  // namespace

TEST(Thread, CreatedSuspendedAndStartedOnce)
{
    std::atomic<int> runs{0};
    TRecordingThread thread(runs);
    ASSERT_NE(thread.Handle(), nullptr);
    ASSERT_NE(thread.ThreadID(), 0u);
    EXPECT_EQ(WaitForSingleObject(thread.Handle(), 100), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(runs, 0);
    thread.Start();
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), thread.ThreadID());  // Execute ran on its own thread
    EXPECT_EQ(runs, 1);
}

TEST(Thread, DestroyingANeverStartedThreadRunsNothing)
{
    std::atomic<int> runs{0};
    { TRecordingThread thread(runs); }
    EXPECT_EQ(runs, 0);
}

TEST(Thread, ASelfFreeingThreadLeavesTheWaiterAValidHandle)
{
    std::atomic<int> runs{0};
    TUniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    auto thread = std::make_unique<TRecordingThread>(runs, release.Get());
    TUniqueHandle wait = thread->DuplicateWaitHandle();
    ASSERT_TRUE(wait.Valid());
    TThread::StartOwned(std::move(thread));
    EXPECT_EQ(WaitForSingleObject(wait.Get(), 100), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(release.Get());
    // The thread has freed its object by now; our handle still answers.
    EXPECT_EQ(WaitForSingleObject(wait.Get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(runs, 1);
}
