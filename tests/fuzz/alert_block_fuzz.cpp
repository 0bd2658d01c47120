// The alert program reads a question block that another process wrote: on
// arbitrary bytes the reader must never read past the block, and what it
// accepts must fit it and survive a write and a read again.
#include <cstdlib>
#include <vector>

#include "guard/alert_block.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so the sanitizer sees any read past the end.
    std::vector<std::uint8_t> block(data, data + size);
    TAlertQuestion question;
    if (!ReadAlertBlock(block.data(), block.size(), question))
        return 0;
    if (question.Message.empty() || question.Question.empty() ||
        12 + question.Message.size() + 4 + question.Question.size() + 1 > size)
        std::abort();
    if (size > kAlertBlockSize || question.Message.size() > kAlertMessageLimit)
        return 0;
    std::vector<std::uint8_t> again(kAlertBlockSize);
    WriteAlertBlock(again.data(), question);
    TAlertQuestion reread;
    if (!ReadAlertBlock(again.data(), again.size(), reread) || reread.Message != question.Message ||
        reread.Question != question.Question || reread.ShowCheckBox != question.ShowCheckBox)
        std::abort();
    return 0;
}
