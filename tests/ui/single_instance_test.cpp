// One instance at a time, with two real starts of a small build of the
// entry (tests/tools/instance_probe.cpp): the second hands over and ends,
// also when the first one hangs; a block without a live window lets a start
// run normally.
#include "ui/single_instance.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/window_driving.h"

namespace {

std::string Probe() { return test_support::Join(test_support::EnvOr("TALMORIS_TEST_BIN", "."), "instance_probe.exe"); }


class ProbeLog {
public:
    ProbeLog() { SetEnvironmentVariableA("TALMORIS_PROBE_LOG", folder.File("probe.log").c_str()); }
    ~ProbeLog()
    {
        SetEnvironmentVariableA("TALMORIS_PROBE_LOG", nullptr);
        SetEnvironmentVariableA("TALMORIS_PROBE_HANG", nullptr);
    }
    bool Has(DWORD process, const std::string& event) const
    {
        std::ifstream in(folder.File("probe.log"));
        const std::string wanted = std::to_string(process) + " " + event;
        for (std::string line; std::getline(in, line);)
            if (line == wanted)
                return true;
        return false;
    }
    bool WaitFor(DWORD process, const std::string& event, DWORD ms = 30000) const
    {
        const DWORD start = GetTickCount();
        while (!Has(process, event)) {
            if (GetTickCount() - start > ms)
                return false;
            Sleep(20);
        }
        return true;
    }
    test_support::TempFolder folder;
};

// The two words of the published block.
std::vector<std::uint32_t> BlockWords()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kInstanceBlockName);
    if (!mapping)
        return {};
    std::vector<std::uint32_t> words(2);
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 8)) {
        std::memcpy(words.data(), view, 8);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return words;
}

HWND AsWindow(std::uint32_t word) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(word))); }

}  // namespace

TEST(SingleInstance, ASecondStartHandsOverToTheFirst)
{
    const ProbeLog log;
    test_support::ChildProcess first(Probe(), "instance_probe");
    ASSERT_TRUE(log.WaitFor(first.Id(), "published"));

    // The block names the first instance's main form and its application window.
    const auto words = BlockWords();
    ASSERT_EQ(words.size(), 2u);
    DWORD owner = 0;
    GetWindowThreadProcessId(AsWindow(words[0]), &owner);
    EXPECT_EQ(owner, first.Id());
    char caption[64] = {};
    GetWindowTextA(AsWindow(words[0]), caption, sizeof caption);
    EXPECT_STREQ(caption, "Talmoris instance probe");
    char className[64] = {};
    GetClassNameA(AsWindow(words[1]), className, sizeof className);
    EXPECT_STREQ(className, "TalmorisApplication");
    GetWindowThreadProcessId(AsWindow(words[1]), &owner);
    EXPECT_EQ(owner, first.Id());

    test_support::ChildProcess second(Probe(), "instance_probe");
    EXPECT_TRUE(second.EndsWithin(5000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(log.Has(second.Id(), "handed over"));
    EXPECT_FALSE(log.Has(second.Id(), "first"));
    EXPECT_TRUE(log.WaitFor(first.Id(), "activated")) << "the first instance was asked to show itself";
    EXPECT_TRUE(IsWindowVisible(AsWindow(words[0])));

    PostMessageA(AsWindow(words[0]), WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.EndsWithin(5000));
}

TEST(SingleInstance, AHungFirstInstanceNeverBlocksTheSecond)
{
    const ProbeLog log;
    SetEnvironmentVariableA("TALMORIS_PROBE_HANG", "8000");
    test_support::ChildProcess first(Probe(), "instance_probe");
    SetEnvironmentVariableA("TALMORIS_PROBE_HANG", nullptr);
    ASSERT_TRUE(log.WaitFor(first.Id(), "published"));
    const DWORD start = GetTickCount();
    test_support::ChildProcess second(Probe(), "instance_probe");
    ASSERT_TRUE(second.EndsWithin(6000)) << "the wait for the hung instance is bounded";
    EXPECT_LT(GetTickCount() - start, 6000u);
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(log.Has(second.Id(), "handed over")) << "never a second instance";
}

TEST(SingleInstance, ABlockWithoutALiveWindowLetsAStartRunNormally)
{
    // Another start holds the mutex, but the block names no window (a first
    // instance still making its form, or one that left a stale block).
    const ProbeLog log;
    const TUniqueHandle mutex(CreateMutexA(nullptr, FALSE, kInstanceMutexName));
    TUniqueHandle block(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8, kInstanceBlockName));
    {
        TMappedView view(MapViewOfFile(block.Get(), FILE_MAP_WRITE, 0, 0, 0));
        const std::uint32_t stale[2] = {0x7FFF0001u, 0x7FFF0002u};
        std::memcpy(view.Data(), stale, sizeof stale);
    }
    test_support::ChildProcess start(Probe(), "instance_probe");
    EXPECT_TRUE(log.WaitFor(start.Id(), "first"));
    EXPECT_TRUE(log.WaitFor(start.Id(), "published"));
}
