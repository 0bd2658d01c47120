// The question block: the named shared memory ("map_" + request id) through
// which the main program asks the alert program one question and reads the
// answer back. Both sides go through this layout; it needs no Win32, so the
// reader can be fuzzed.
//
//   offset       width  field
//   0            4      answer: -1 as written, 6 Yes, 7 No
//   4            4      always-forbid flag: 0 as written, 1 when ticked
//   8            4      L1, message length in bytes
//   12           L1     message (ANSI, CR LF line breaks, no terminator)
//   12+L1        4      L2, question length in bytes
//   16+L1        L2     question
//   16+L1+L2     1      1 shows the always-forbid check box
#pragma once

#include <cstddef>
#include <cstdint>

#include "classlib/sysutils.h"

constexpr std::size_t kAlertBlockSize = 10241;
constexpr std::size_t kAlertMessageLimit = 9216;  // longer messages are cut and end in "..."
constexpr std::int32_t kAlertNotAnswered = -1;
constexpr std::int32_t kAlertYes = 6;
constexpr std::int32_t kAlertNo = 7;

// A request id: a guard's id as signed decimal (ids of 2^31 and more are
// negative), or a file protection's 32 hex digits.
String GuardRequestId(std::uint32_t guardId);
String AlertBlockName(const String& requestId);  // "map_" + id
String AlertMutexName(const String& requestId);  // "mutex_" + id

struct TAlertQuestion {
    String Message;
    String Question;
    bool ShowCheckBox = false;
};

// The message as it goes into a block: more than kAlertMessageLimit
// characters become the first kAlertMessageLimit and "...".
String CutAlertMessage(const String& message);

// Writes the whole record into `block` (kAlertBlockSize bytes): answer -1,
// flag 0, the cut message, and the question cut so that the record, flag
// byte included, fits.
void WriteAlertBlock(std::uint8_t* block, const TAlertQuestion& question);

// Reads the question of a block of `size` bytes; false when a length runs
// past the block or a text is empty.
bool ReadAlertBlock(const std::uint8_t* block, std::size_t size, TAlertQuestion& question);

std::int32_t AlertBlockAnswer(const std::uint8_t* block);
std::int32_t AlertBlockFlag(const std::uint8_t* block);
void WriteAlertAnswer(std::uint8_t* block, std::int32_t answer, std::int32_t flag);
