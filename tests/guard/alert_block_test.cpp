#include "guard/alert_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::uint32_t At(const std::vector<std::uint8_t>& block, size_t offset)
{
    std::uint32_t value = 0;
    std::memcpy(&value, block.data() + offset, 4);  // little-endian on every target we build for
    return value;
}

std::vector<std::uint8_t> Written(const TAlertQuestion& question)
{
    std::vector<std::uint8_t> block(kAlertBlockSize, 0xEE);
    WriteAlertBlock(block.data(), question);
    return block;
}

void PutAt(std::vector<std::uint8_t>& block, size_t offset, std::uint32_t value)
{
    std::memcpy(block.data() + offset, &value, 4);
}

}  // namespace

TEST(AlertBlock, TheLayoutAtItsOffsets)
{
    const auto block = Written({"Signalled guard: Run\r\n\r\nNew value", "Accept changes?", true});
    EXPECT_EQ(At(block, 0), 0xFFFFFFFFu) << "not answered yet";
    EXPECT_EQ(At(block, 4), 0u);
    EXPECT_EQ(At(block, 8), 33u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 12), 33), "Signalled guard: Run\r\n\r\nNew value");
    EXPECT_EQ(At(block, 12 + 33), 15u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 16 + 33), 15), "Accept changes?");
    EXPECT_EQ(block[16 + 33 + 15], 1);
    EXPECT_EQ(Written({"m", "q", false})[16 + 1 + 1], 0) << "a file protection's question hides the box";

    TAlertQuestion read;
    ASSERT_TRUE(ReadAlertBlock(block.data(), block.size(), read));
    EXPECT_EQ(read.Message, "Signalled guard: Run\r\n\r\nNew value");
    EXPECT_EQ(read.Question, "Accept changes?");
    EXPECT_TRUE(read.ShowCheckBox);

    std::vector<std::uint8_t> answered = block;
    WriteAlertAnswer(answered.data(), kAlertNo, 1);
    EXPECT_EQ(AlertBlockAnswer(answered.data()), 7);
    EXPECT_EQ(AlertBlockFlag(answered.data()), 1);
    EXPECT_EQ(AlertBlockAnswer(block.data()), -1);
}

TEST(AlertBlock, LongTextsAreCutToFitTheBlock)
{
    const std::string exact(kAlertMessageLimit, 'a');
    EXPECT_EQ(CutAlertMessage(exact), exact);
    EXPECT_EQ(CutAlertMessage(exact + "b"), exact + "...");

    // The longest message leaves 1005 bytes of question; more is cut, never written past the block.
    const auto block = Written({std::string(20000, 'm'), std::string(5000, 'q'), true});
    EXPECT_EQ(At(block, 8), 9219u);
    EXPECT_EQ(At(block, 12 + 9219), 1005u);
    EXPECT_EQ(block[kAlertBlockSize - 1], 1) << "the flag byte is the block's last";
    TAlertQuestion read;
    ASSERT_TRUE(ReadAlertBlock(block.data(), block.size(), read));
    EXPECT_EQ(read.Message.substr(9216), "...");
    EXPECT_EQ(read.Question, std::string(1005, 'q'));
}

TEST(AlertBlock, TheReaderRefusesWhatDoesNotFit)
{
    const auto good = Written({"message", "question", true});
    const struct {
        const char* what;
        size_t offset;  // where a length is changed; 0 leaves the block alone
        std::uint32_t value;
        size_t size;
    } cases[] = {
        {"empty message", 8, 0, kAlertBlockSize},
        {"message past the block", 8, static_cast<std::uint32_t>(kAlertBlockSize), kAlertBlockSize},
        {"message length that wraps a sum", 8, 0xFFFFFFF8u, kAlertBlockSize},
        {"empty question", 12 + 7, 0, kAlertBlockSize},
        {"question past the block", 12 + 7, static_cast<std::uint32_t>(kAlertBlockSize), kAlertBlockSize},
        {"question leaving no room for the flag", 12 + 7, static_cast<std::uint32_t>(kAlertBlockSize - 16 - 7),
         kAlertBlockSize},
        {"question length that wraps a sum", 12 + 7, 0xFFFFFFFFu, kAlertBlockSize},
        {"a block too short for its header", 0, 0, 11},
        {"a block too short for its texts", 0, 0, 12 + 7 + 4 + 8},
    };
    for (const auto& c : cases) {
        auto block = good;
        if (c.offset)
            PutAt(block, c.offset, c.value);
        TAlertQuestion read;
        EXPECT_FALSE(ReadAlertBlock(block.data(), c.size, read)) << c.what;
    }
    TAlertQuestion read;
    EXPECT_TRUE(ReadAlertBlock(good.data(), 12 + 7 + 4 + 8 + 1, read)) << "exactly fitting";
}

TEST(AlertBlock, RequestIdsAndNames)
{
    EXPECT_EQ(GuardRequestId(12345), "12345");
    EXPECT_EQ(GuardRequestId(0x80000000u), "-2147483648");
    EXPECT_EQ(GuardRequestId(0xFFFFFFFFu), "-1");
    EXPECT_EQ(AlertBlockName("-1"), "map_-1");
    EXPECT_EQ(AlertMutexName("0123456789abcdef0123456789abcdef"), "mutex_0123456789abcdef0123456789abcdef");
}
