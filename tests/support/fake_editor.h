// A stand-in for the system's registry editor (tests/tools/fake_regedit.cpp)
// that logs every key its windows get, for the tests of the editor driving
// and of the pages that open it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/window_driving.h"

namespace test_support {

inline constexpr char kEditorClass[] = "RegEdit_RegEdit";

inline std::string FakeEditorProgram()
{
    return Join(EnvOr("TALMORIS_TEST_BIN", "."), "fake_regedit.exe");
}

inline bool EditorGoneWithin(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (FindWindowA(kEditorClass, nullptr)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(20);
    }
    return true;
}

// The stand-in editor in one of its layouts, and the keys it logged.
class FakeEditor {
public:
    explicit FakeEditor(const std::string& layout, const std::string& suffix = "")
        : folder_(suffix), log_(folder_.File("keys.log"))
    {
        SetEnvironmentVariableA("TALMORIS_FAKE_REGEDIT_LOG", log_.c_str());
        process_ = std::make_unique<ChildProcess>(FakeEditorProgram(), "fake_regedit " + layout);
    }
    ~FakeEditor()
    {
        // Ended rather than closed: closing an activated window under Xvfb
        // takes seconds.
        process_.reset();
        EditorGoneWithin(5000);
        SetEnvironmentVariableA("TALMORIS_FAKE_REGEDIT_LOG", nullptr);
    }
    FakeEditor(const FakeEditor&) = delete;
    FakeEditor& operator=(const FakeEditor&) = delete;

    bool Shown() const { return process_->Started() && WaitForWindow(kEditorClass, "Registry Editor"); }
    DWORD Id() const { return process_->Id(); }
    // Ends the editor at once, which frees a sender waiting for it.
    void Kill() { process_.reset(); }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ClearLog() const { std::remove(log_.c_str()); }

private:
    TempFolder folder_;
    std::string log_;
    std::unique_ptr<ChildProcess> process_;
};

// The log lines of typing into `who`: "^" is Home, ">" is Right, any other
// character is itself.
inline std::vector<std::string> Typed(const std::string& who, const std::string& keys)
{
    std::vector<std::string> lines;
    for (char c : keys) {
        if (c == '^')
            lines.push_back(who + " key HOME");
        else if (c == '>')
            lines.push_back(who + " key RIGHT");
        else
            lines.push_back(who + " char " + c);
    }
    return lines;
}

}  // namespace test_support
