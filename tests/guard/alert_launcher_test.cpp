// The question hand-over with a stand-in alert program (tests/tools/
// fake_alert.cpp) that dumps the block it was given and answers from a
// script: the block as the alert program sees it, and the answer that
// reaches the monitor's thread.
#include "guard/alert_launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "classlib/thread_stop.h"
#include "guard/confirmation_thread.h"
#include "support/monitor_harness.h"
#include "support/test_support.h"

namespace {

std::string FakeAlert() { return test_support::FakeAlertProgram(); }
using ScriptedAlert = test_support::ScriptedFakeAlert;

std::uint32_t At(const std::vector<std::uint8_t>& block, size_t offset)
{
    std::uint32_t value = 0;
    std::memcpy(&value, block.data() + offset, 4);
    return value;
}

// Runs one confirmation thread to its end and answers what it posted to
// this thread: (wParam, lParam), or (~0, 0) when nothing came.
std::pair<WPARAM, LPARAM> Confirm(const TGuardQuestion& asked, const std::string& program)
{
    TGuardQuestion question = asked;
    question.MonitorThreadId = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread has a queue
    auto thread = std::make_unique<TConfirmationThread>(question, std::make_shared<TAlertLauncher>(program));
    const TUniqueHandle done = thread->DuplicateWaitHandle();
    TThread::StartOwned(std::move(thread));
    EXPECT_EQ(WaitForSingleObject(done.Get(), 20000), WAIT_OBJECT_0);
    if (PeekMessageA(&msg, nullptr, WM_GUARD_ANSWER, WM_GUARD_ANSWER, PM_REMOVE))
        return {msg.wParam, msg.lParam};
    return {~WPARAM{0}, 0};
}

// A stand-in monitor thread: it runs until its event is set.
DWORD WINAPI WaitForEvent(void* event) { return WaitForSingleObject(static_cast<HANDLE>(event), 20000); }

}  // namespace

TEST(AlertHandOver, TheBlockAsTheAlertProgramSeesIt)
{
    const ScriptedAlert alert("none");
    const TAlertLauncher launcher(FakeAlert());
    const std::string id = GuardRequestId(0x80000001u);
    ASSERT_EQ(id, "-2147483647");
    launcher.Ask(id, {"Signalled guard: Run", "Restore data?", true});
    auto block = alert.Dump(id);
    ASSERT_EQ(block.size(), kAlertBlockSize) << "the alert program ran with the id as its command line";
    EXPECT_EQ(At(block, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(block, 4), 0u);
    EXPECT_EQ(At(block, 8), 20u);
    EXPECT_EQ(std::string(block.begin() + 12, block.begin() + 32), "Signalled guard: Run");
    EXPECT_EQ(At(block, 32), 13u);
    EXPECT_EQ(std::string(block.begin() + 36, block.begin() + 49), "Restore data?");
    EXPECT_EQ(block[49], 1);

    const struct {
        size_t messageLength, questionLength;
        std::uint32_t writtenMessage, writtenQuestion;
    } cuts[] = {{9216, 15, 9216, 15}, {9217, 15, 9219, 15}, {100000, 4000, 9219, 1005}};
    for (const auto& cut : cuts) {
        launcher.Ask("7", {std::string(cut.messageLength, 'm'), std::string(cut.questionLength, 'q'), false});
        block = alert.Dump("7");
        ASSERT_EQ(block.size(), kAlertBlockSize);
        EXPECT_EQ(At(block, 8), cut.writtenMessage) << cut.messageLength;
        EXPECT_EQ(At(block, 12 + cut.writtenMessage), cut.writtenQuestion) << cut.messageLength;
        if (cut.writtenMessage == 9219) {
            EXPECT_EQ(std::string(block.begin() + 12 + 9216, block.begin() + 12 + 9219), "...");
        }
        EXPECT_EQ(block[16 + cut.writtenMessage + cut.writtenQuestion], 0) << "no check box";
    }
}

TEST(AlertHandOver, AnswersReachTheMonitorThread)
{
    const struct {
        const char* script;
        std::uint32_t kind;
        WPARAM posted;  // (flag << 16) | code
    } cases[] = {
        {"6 0", ckChanges, acAccept},
        {"7 0", ckChanges, acRestore},
        {"6 1", ckChanges, 0x10000 | acAccept},
        {"7 1", ckChanges, 0x10000 | acRestore},
        {"7 0", ckMissingValue, acKeep},
        {"6 0", ckMissingValue, acAccept},
        {"none", ckChanges, acNoAnswer},
        {"3 1", ckChanges, 0x10000 | acNoAnswer},
        {"-1 0", ckMissingValue, acNoAnswer},
    };
    for (const auto& c : cases) {
        const ScriptedAlert alert(c.script);
        TGuardQuestion question;
        question.Kind = c.kind;
        question.Message = "Signalled guard: Run";
        question.GuardId = 0xC0FFEE01u;
        const auto [wParam, lParam] = Confirm(question, FakeAlert());
        EXPECT_EQ(wParam, c.posted) << c.script << " kind " << c.kind;
        EXPECT_EQ(static_cast<std::uint32_t>(lParam), 0xC0FFEE01u) << c.script;
        EXPECT_EQ(alert.Dump(GuardRequestId(0xC0FFEE01u))[16 + 20 + 15], 1) << "registry questions show the box";
    }
    // No alert program at all: no answer, never acceptance.
    TGuardQuestion question;
    question.Message = "m";
    question.GuardId = 5;
    EXPECT_EQ(Confirm(question, FakeAlert() + ".missing").first, WPARAM{acNoAnswer});
}

TEST(AlertHandOver, AnOpenQuestionWithTheSameIdIsLeftAlone)
{
    const ScriptedAlert alert("6 0");
    const std::string id = "4242";
    TUniqueHandle open(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          static_cast<DWORD>(kAlertBlockSize), AlertBlockName(id).c_str()));
    TMappedView view(MapViewOfFile(open.Get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view.Valid());
    auto* first = static_cast<std::uint8_t*>(view.Data());
    WriteAlertBlock(first, {"the first question", "Accept changes?", true});

    const TAlertAnswer answer = TAlertLauncher(FakeAlert()).Ask(id, {"the second question", "Accept changes?", true});
    EXPECT_FALSE(answer.Answered());
    EXPECT_EQ(answer.Flag, -1) << "no block was made";
    EXPECT_TRUE(alert.Dump(id).empty()) << "no alert program was started";
    TAlertQuestion still;
    ASSERT_TRUE(ReadAlertBlock(first, kAlertBlockSize, still));
    EXPECT_EQ(still.Message, "the first question");
    EXPECT_EQ(AlertBlockAnswer(first), kAlertNotAnswered);
}

TEST(AlertHandOver, CancellingEndsTheAlertProgram)
{
    const ScriptedAlert alert("wait 30000");
    TUniqueHandle cancel(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        SetEvent(cancel.Get());
    });
    const auto start = std::chrono::steady_clock::now();
    const TAlertAnswer answer = TAlertLauncher(FakeAlert()).Ask("99", {"m", "q", false}, cancel.Get());
    canceller.join();
    EXPECT_FALSE(answer.Answered());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(AlertHandOver, AnAnswerForAMonitorThatEndedIsDropped)
{
    // The monitor ends while the question is open: posting fails at once
    // (1444 on Windows, 87 on Wine) and the thread gives up.
    const ScriptedAlert alert("late 500 6 0");
    TUniqueHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    DWORD monitorId = 0;
    TUniqueHandle monitor(CreateThread(nullptr, 0, &WaitForEvent, stop.Get(), 0, &monitorId));
    TGuardQuestion question;
    question.Message = "m";
    question.GuardId = 17;
    question.MonitorThreadId = monitorId;
    auto thread = std::make_unique<TConfirmationThread>(question, std::make_shared<TAlertLauncher>(FakeAlert()));
    const TUniqueHandle done = thread->DuplicateWaitHandle();
    TThread::StartOwned(std::move(thread));
    SetEvent(stop.Get());
    WaitForSingleObject(monitor.Get(), 5000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(done.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(AlertHandOver, ACancelledQuestionPostsNothing)
{
    // Closed before the alert is shown, and while it is up (it would answer
    // Yes a little later): the thread ends and posts nothing, so no answer
    // can reach a monitor that has gone.
    for (const bool whileUp : {false, true}) {
        SCOPED_TRACE(whileUp ? "cancelled while the alert is up" : "cancelled before");
        const ScriptedAlert alert("late 2000 6 0");
        TUniqueHandle cancel(CreateEventA(nullptr, TRUE, whileUp ? FALSE : TRUE, nullptr));
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread has a queue
        TGuardQuestion question;
        question.Message = "m";
        question.GuardId = 23;
        question.MonitorThreadId = GetCurrentThreadId();
        question.Cancel = cancel.Get();
        auto thread = std::make_unique<TConfirmationThread>(question, std::make_shared<TAlertLauncher>(FakeAlert()));
        const TUniqueHandle done = thread->DuplicateWaitHandle();
        TThread::StartOwned(std::move(thread));
        if (whileUp) {
            for (int i = 0; i < 1000 && alert.Dump("23").empty(); ++i)
                Sleep(10);
            ASSERT_FALSE(alert.Dump("23").empty()) << "the alert program never came up";
            SetEvent(cancel.Get());
        }
        EXPECT_EQ(WaitForSingleObject(done.Get(), 20000), WAIT_OBJECT_0);
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_GUARD_ANSWER, WM_GUARD_ANSWER, PM_REMOVE)) << "an answer was posted";
        EXPECT_EQ(alert.Dump("23").empty(), !whileUp) << "an alert shows only for a question still open";
    }
}
