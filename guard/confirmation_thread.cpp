#include "guard/confirmation_thread.h"

namespace {

// A full queue empties as the monitor works through it; anything else won't.
constexpr int kPostAttempts = 25;
constexpr DWORD kPostRetryMs = 200;

}  // namespace

TConfirmationThread::TConfirmationThread(const TGuardQuestion& question,
                                         std::shared_ptr<const TAlertLauncher> launcher)
    : question_(question),
      launcher_(std::move(launcher)),
      monitor_(OpenThread(SYNCHRONIZE, FALSE, question.MonitorThreadId))
{
    if (question_.Question.empty())
        question_.Question = "Accept changes?";
    HANDLE cancel = nullptr;
    if (question.Cancel && DuplicateHandle(GetCurrentProcess(), question.Cancel, GetCurrentProcess(), &cancel, 0,
                                           FALSE, DUPLICATE_SAME_ACCESS))
        cancel_.Reset(cancel);
    question_.Cancel = cancel_.Get();
}

bool TConfirmationThread::Cancelled() const
{
    return cancel_.Valid() && WaitForSingleObject(cancel_.Get(), 0) == WAIT_OBJECT_0;
}

int TConfirmationThread::AskAlertProgram(std::int32_t& flag)
{
    const TAlertQuestion alert{question_.Message, question_.Question, true};
    const TAlertAnswer answer = launcher_->Ask(GuardRequestId(question_.GuardId), alert, cancel_.Get());
    flag = answer.Flag;
    return answer.Answered() ? answer.Answer : 3;
}

std::uint16_t TConfirmationThread::AnswerCode(int answer, std::uint32_t kind)
{
    if (answer == kAlertYes)
        return acAccept;
    if (answer == kAlertNo)
        return kind == ckMissingValue ? acKeep : acRestore;
    return acNoAnswer;  // never taken as acceptance
}

void TConfirmationThread::Execute()
{
    std::int32_t flag = -1;
    const int answer = AskAlertProgram(flag);
    if (Cancelled())
        return;  // the monitor is ending: its successor asks again
    const std::uint16_t code = AnswerCode(answer, question_.Kind);
    PostAnswer((static_cast<WPARAM>(static_cast<std::uint16_t>(flag)) << 16) | code);
}

void TConfirmationThread::PostAnswer(WPARAM wParam)
{
    for (int attempt = 0; attempt < kPostAttempts; ++attempt) {
        if (PostThreadMessageA(question_.MonitorThreadId, WM_GUARD_ANSWER, wParam,
                               static_cast<LPARAM>(question_.GuardId)))
            return;
        // Only a full queue of a monitor that still runs is worth waiting for
        // (an ended thread gives 1444 on Windows, 87 on Wine).
        const bool queueFull = GetLastError() == ERROR_NOT_ENOUGH_QUOTA;
        const bool monitorRuns = monitor_.Valid() && WaitForSingleObject(monitor_.Get(), 0) == WAIT_TIMEOUT;
        if (!queueFull || !monitorRuns || Cancelled())
            return;
        Sleep(kPostRetryMs);
    }
}

TUniqueHandle TAlertQuestionSink::Ask(const TGuardQuestion& question)
{
    auto thread = std::make_unique<TConfirmationThread>(question, launcher_);
    TUniqueHandle asking = thread->Handle() ? thread->DuplicateWaitHandle() : TUniqueHandle();
    if (asking.Valid() && TThread::StartOwned(std::move(thread)))
        return asking;
    // Nobody asks: no answer, posted to the monitor's own queue (the sink
    // runs on its thread), and the guard is watched again.
    const WPARAM noAnswer = (static_cast<WPARAM>(0xFFFFu) << 16) | acNoAnswer;
    PostThreadMessageA(question.MonitorThreadId, WM_GUARD_ANSWER, noAnswer, static_cast<LPARAM>(question.GuardId));
    return TUniqueHandle();
}
