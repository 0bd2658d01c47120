// Asks the alert program one question: writes the question block, starts
// the program with the request id as its whole command line, waits for it
// to end and reads the answer. Used by the registry monitor's confirmation
// threads and by the file protections' alert threads.
#pragma once

#include <windows.h>

#include <functional>

#include "guard/alert_block.h"

// How long an alert program ended by a cancel is waited for at most.
constexpr DWORD kAlertEndAfterCancelMs = 5000;

struct TAlertAnswer {
    std::int32_t Answer = kAlertNotAnswered;  // 6 Yes, 7 No, anything else: not answered
    std::int32_t Flag = -1;                   // the always-forbid field; -1 when no block was made
    bool Answered() const { return Answer == kAlertYes || Answer == kAlertNo; }
};

class TAlertLauncher {
public:
    // The alert program to start; by default Quorvin\quorvin.exe in the
    // program folder.
    TAlertLauncher();
    explicit TAlertLauncher(const String& alertProgram) : alertProgram_(alertProgram) {}

    const String& AlertProgram() const { return alertProgram_; }

    // Nothing is written when a block of that name exists already (another
    // question with the same id is open): that question goes unanswered.
    // `cancel`, when given, is an event: set while the alert is up, it ends
    // the alert program and leaves the question unanswered; set before, no
    // alert program is started.
    // `stillWanted`, when given, is asked about every 100 ms while the alert
    // is up; false ends it the same way (the item asked about has gone).
    TAlertAnswer Ask(const String& requestId, const TAlertQuestion& question, HANDLE cancel = nullptr,
                     const std::function<bool()>& stillWanted = {}) const;

private:
    String alertProgram_;
};
