// Numbered messages between the guard engine's threads and the main form.
#pragma once

#include <cstdint>

// Window messages, sent (SendMessage) to the main form.
constexpr unsigned WM_SET_GUARD_REACTION = 9473;   // wParam guard id, lParam new reaction
constexpr unsigned WM_ADD_LOG_LINE = 10059;        // wParam level, lParam the NUL-terminated line
constexpr unsigned WM_START_BLINK = 10060;         // a question is asked or a silent restore was made
constexpr unsigned WM_QUERY_GUARD = 10062;         // wParam the monitor's copy of the guard; 1 = active
constexpr unsigned WM_MONITORING_STARTED = 10063;  // every guard is armed
// The monitor found no guard it can watch (none active, or no key could be
// opened) and ends: protection can be switched off again.
constexpr unsigned WM_NOTHING_TO_MONITOR = 10064;

// Thread message, posted to the monitor: wParam (always-forbid << 16) | answer code, lParam guard id.
constexpr unsigned WM_GUARD_ANSWER = 10058;

// acNoAnswer: the alert program gave no answer (missing, ended, or closed
// otherwise); the change is neither accepted nor rolled back.
enum TAnswerCode : std::uint16_t { acAccept = 0, acRestore = 1, acKeep = 2, acNoAnswer = 3 };
enum TConfirmationKind : std::uint32_t { ckChanges = 1, ckMissingValue = 2 };
