#include "guard/alert_block.h"

#include <cstring>

namespace {

void PutInt(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetInt(const std::uint8_t* at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

}  // namespace

String GuardRequestId(std::uint32_t guardId) { return IntToStr(static_cast<std::int32_t>(guardId)); }

String AlertBlockName(const String& requestId) { return "map_" + requestId; }

String AlertMutexName(const String& requestId) { return "mutex_" + requestId; }

String CutAlertMessage(const String& message)
{
    if (message.size() <= kAlertMessageLimit)
        return message;
    return message.substr(0, kAlertMessageLimit) + "...";
}

void WriteAlertBlock(std::uint8_t* block, const TAlertQuestion& question)
{
    const String message = CutAlertMessage(question.Message);
    // The cut message leaves room for the rest: 12 + 9219 + 4 + 1 < 10241.
    const std::size_t room = kAlertBlockSize - 12 - message.size() - 4 - 1;
    const std::size_t questionLength = question.Question.size() < room ? question.Question.size() : room;
    std::memset(block, 0, kAlertBlockSize);
    PutInt(block, static_cast<std::uint32_t>(kAlertNotAnswered));
    PutInt(block + 4, 0);
    PutInt(block + 8, static_cast<std::uint32_t>(message.size()));
    std::memcpy(block + 12, message.data(), message.size());
    std::uint8_t* at = block + 12 + message.size();
    PutInt(at, static_cast<std::uint32_t>(questionLength));
    std::memcpy(at + 4, question.Question.data(), questionLength);
    at[4 + questionLength] = question.ShowCheckBox ? 1 : 0;
}

bool ReadAlertBlock(const std::uint8_t* block, std::size_t size, TAlertQuestion& question)
{
    // Each length is compared with the room left after it, never summed.
    if (size < 12)
        return false;
    std::size_t left = size - 12;
    const std::uint32_t messageLength = GetInt(block + 8);
    if (messageLength > left || left - messageLength < 4)
        return false;
    left -= messageLength + 4;
    const std::uint8_t* at = block + 12 + messageLength;
    const std::uint32_t questionLength = GetInt(at);
    if (questionLength > left || left - questionLength < 1)
        return false;
    if (messageLength == 0 || questionLength == 0)
        return false;
    question.Message.assign(reinterpret_cast<const char*>(block + 12), messageLength);
    question.Question.assign(reinterpret_cast<const char*>(at + 4), questionLength);
    question.ShowCheckBox = at[4 + questionLength] == 1;
    return true;
}

std::int32_t AlertBlockAnswer(const std::uint8_t* block) { return static_cast<std::int32_t>(GetInt(block)); }

std::int32_t AlertBlockFlag(const std::uint8_t* block) { return static_cast<std::int32_t>(GetInt(block + 4)); }

void WriteAlertAnswer(std::uint8_t* block, std::int32_t answer, std::int32_t flag)
{
    PutInt(block, static_cast<std::uint32_t>(answer));
    PutInt(block + 4, static_cast<std::uint32_t>(flag));
}
