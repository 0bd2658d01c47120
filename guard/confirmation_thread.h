// One question of the registry monitor to the user: a short-lived thread
// that asks the alert program and posts the answer to the monitor's thread
// as WM_GUARD_ANSWER. It frees itself when it ends. When the monitor
// cancels the question (it is ending), the alert program is closed and
// nothing is posted.
#pragma once

#include <memory>

#include "classlib/thread.h"
#include "classlib/win_handle.h"
#include "guard/alert_launcher.h"
#include "guard/registry_monitor_thread.h"

class TConfirmationThread : public TThread {
public:
    // The monitor's thread must be running when the thread is made: its
    // handle tells later whether an answer can still arrive. The question's
    // cancel event is kept in a handle of its own.
    TConfirmationThread(const TGuardQuestion& question, std::shared_ptr<const TAlertLauncher> launcher);

    // Asks through the question block; answers 6, 7 or 3 (not answered),
    // `flag` the block's always-forbid field (-1 when no block was made).
    int AskAlertProgram(std::int32_t& flag);

    // The answer code posted for an answer of AskAlertProgram.
    static std::uint16_t AnswerCode(int answer, std::uint32_t kind);

protected:
    void Execute() override;

private:
    bool Cancelled() const;
    void PostAnswer(WPARAM wParam);

    TGuardQuestion question_;
    std::shared_ptr<const TAlertLauncher> launcher_;
    TUniqueHandle monitor_;
    TUniqueHandle cancel_;
};

// The question sink of the program: one confirmation thread per question.
class TAlertQuestionSink : public TQuestionSink {
public:
    TAlertQuestionSink() : launcher_(std::make_shared<TAlertLauncher>()) {}
    explicit TAlertQuestionSink(const String& alertProgram)
        : launcher_(std::make_shared<TAlertLauncher>(alertProgram))
    {
    }
    // The thread's handle; none when no thread could be made (the question
    // is then answered "no answer" at once, so the guard is watched again).
    TUniqueHandle Ask(const TGuardQuestion& question) override;

private:
    std::shared_ptr<const TAlertLauncher> launcher_;
};
