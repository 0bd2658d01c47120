// The main form's update check against a scripted HTTP server standing in
// for the update server, through our Ostrel.dll in the form's program
// folder: the timer starts the request, a newer version is offered (the
// test answers the box) and Yes opens the download page through the form's
// seam; what the check records; replies that offer nothing and failures
// that leave the check due.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "guard/common.h"
#include "guard/settings.h"
#include "scanner/search.h"
#include "support/http_test_server.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/message_box_form.h"

namespace {

using test_support::Pump;
using test_support::PumpUntil;
using test_support::THttpReply;
using test_support::THttpTestServer;

// Answers every box as told while it lives, and keeps what was asked and
// whether the main window was shown by then.
class TBoxAnswers {
public:
    explicit TBoxAnswers(int answer)
    {
        SetMessageBoxAnswerer([this, answer](const TMessageBoxRequest& request) {
            asked.push_back(request);
            shownWhenAsked.push_back(window && IsWindowVisible(window));
            return answer;
        });
    }
    ~TBoxAnswers() { SetMessageBoxAnswerer(nullptr); }
    TBoxAnswers(const TBoxAnswers&) = delete;
    TBoxAnswers& operator=(const TBoxAnswers&) = delete;

    HWND window = nullptr;  // the main window, once there
    std::vector<TMessageBoxRequest> asked;
    std::vector<bool> shownWhenAsked;
};

// Counts the ends of requests (WM_REQUEST_DONE, WM_REQUEST_FAILED) sent to
// a window of this thread while it lives, before the window's own handler.
class TRequestEndings {
public:
    explicit TRequestEndings(HWND window)
    {
        window_ = window;
        count_ = 0;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &TRequestEndings::Hook, nullptr, GetCurrentThreadId());
        EXPECT_NE(hook_, nullptr);
    }
    ~TRequestEndings()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
    }
    TRequestEndings(const TRequestEndings&) = delete;
    TRequestEndings& operator=(const TRequestEndings&) = delete;
    int Count() const { return count_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && call->hwnd == window_ &&
            (call->message == WM_REQUEST_DONE || call->message == WM_REQUEST_FAILED))
            ++count_;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline HWND window_ = nullptr;
    static inline int count_ = 0;
    HHOOK hook_ = nullptr;
};

class UpdateCheckTest : public test_support::MainFormFixture {
protected:
    UpdateCheckTest()
    {
        std::filesystem::copy_file(
            test_support::Join(test_support::EnvOr("TALMORIS_PROGRAM_DIR", ""), "Ostrel.dll"),
            programFolder.File("Ostrel.dll"));
        updateServer = server.Url("/updates/");
        openPage = [this](const String& url) {
            opened.push_back(url);
            return true;
        };
    }

    // Stored settings with automatic checks on, never checked before.
    void StoreCheckSettings(bool minimizeToTray, std::int32_t lastVersion = 4)
    {
        TSettings settings;
        settings.AutoActivateFreezeWhenStart = false;
        settings.MinimizeToTrayWhenStart = minimizeToTray;
        settings.AutoStartWithOS = false;
        settings.AutomaticallyCheckUpdates = true;
        settings.CheckUpdatesInterval = 3;
        settings.LastCheckedVersion = lastVersion;
        SaveSettings(settings);
    }

    // The check run by a direct call of the timer's handler, until the
    // answer has switched the timer on again.
    bool RunCheck()
    {
        form->tmCheckUpdateTimerTimer(form->tmCheckUpdateTimer);
        return PumpUntil([&] { return form->tmCheckUpdateTimer.Enabled(); }, 30000);
    }

    static bool NeverChecked(const SYSTEMTIME& time) { return time.wYear == 0 && time.wMonth == 0 && time.wDay == 0; }
    static bool CheckedToday(const SYSTEMTIME& time)
    {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return !NeverChecked(time) && WholeDaysBetween(now, time) == 0;
    }

    THttpTestServer server;
    std::vector<String> opened;
};

}  // namespace

TEST_F(UpdateCheckTest, ANewerVersionIsOfferedAndYesOpensTheDownloadPage)
{
    StoreCheckSettings(true);
    std::filesystem::create_directories(DataFolder());
    test_support::WriteAll(DatabaseFileName(IncludeTrailingPathDelimiter(DataFolder())), std::string(1234, 'd'));
    THttpReply reply;
    reply.body = "updates=no\r\ncurr_version=5\r\nversion_string=5.0 %s\r\n";
    server.Queue(reply);
    TBoxAnswers boxes(IDYES);
    TfmMain& main = Open();
    boxes.window = main.Handle();
    EXPECT_FALSE(IsWindowVisible(main.Handle())) << "started in the tray";
    EXPECT_EQ(main.tmCheckUpdateTimer.Interval(), 600000u);
    EXPECT_TRUE(main.tmCheckUpdateTimer.Enabled());

    // The timer's own tick starts the request; the timer is off until the answer.
    main.tmCheckUpdateTimer.SetInterval(10);
    ASSERT_TRUE(PumpUntil([&] { return !server.Requests().empty(); }, 30000));
    main.tmCheckUpdateTimer.SetInterval(600000);
    ASSERT_TRUE(PumpUntil([&] { return main.tmCheckUpdateTimer.Enabled(); }, 30000));

    ASSERT_EQ(server.Requests().size(), 1u);
    auto request = server.Requests()[0];
    EXPECT_TRUE(std::regex_match(request.target, std::regex(R"(/updates/vq_updates_present\.php\?fsize=1234&rand=\d+)")))
        << request.target;
    EXPECT_EQ(request.headers["user-agent"], "Talmoris v. 4.0");

    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].Text, "New version of Talmoris detected - 5.0 %s.\r\nDo you want to visit program site "
                                   "for download the latest version?");
    EXPECT_EQ(boxes.asked[0].Caption, "Confirmation");
    EXPECT_EQ(boxes.asked[0].Flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(boxes.shownWhenAsked[0]) << "restored from the tray before the question";
    EXPECT_EQ(opened, (std::vector<String>{kDownloadPageAddress}));
    EXPECT_EQ(main.GetSettings()->LastCheckedVersion, 5);
    EXPECT_TRUE(CheckedToday(main.GetSettings()->LastCheckedTime));

    // Just checked: the next tick asks nobody.
    ASSERT_TRUE(RunCheck());
    EXPECT_EQ(server.Requests().size(), 1u);

    // Due again, the same version: nothing offered, the check still counts.
    main.GetSettings()->LastCheckedTime = SYSTEMTIME{};
    reply.body = "curr_version=5\r\nupdates=no";
    server.Queue(reply);
    ASSERT_TRUE(RunCheck());
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(main.GetSettings()->LastCheckedVersion, 5);
    EXPECT_TRUE(CheckedToday(main.GetSettings()->LastCheckedTime));

    // A lower version later doesn't bring the kept one down.
    main.GetSettings()->LastCheckedTime = SYSTEMTIME{};
    reply.body = "curr_version=3";
    server.Queue(reply);
    ASSERT_TRUE(RunCheck());
    EXPECT_EQ(main.GetSettings()->LastCheckedVersion, 5);

    // Saved at exit.
    form.reset();
    TSettings stored;
    LoadSettings(stored);
    EXPECT_EQ(stored.LastCheckedVersion, 5);
    EXPECT_TRUE(CheckedToday(stored.LastCheckedTime));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(UpdateCheckTest, NoAnswerAsksNothingAndLeavesTheCheckDue)
{
    StoreCheckSettings(false);
    TBoxAnswers boxes(IDYES);
    TfmMain& main = Open();
    const struct {
        const char* what;
        int status;
        const char* body;
    } cases[] = {
        {"404 with a body", 404, "updates=yes\r\ncurr_version=9"},
        {"404 without a body", 404, ""},
        {"500", 500, "curr_version=9"},
        {"an empty 200", 200, ""},
    };
    size_t requests = 0;
    for (const auto& c : cases) {
        THttpReply reply;
        reply.status = c.status;
        reply.reason = c.status == 200 ? "OK" : "Not Found";
        reply.body = c.body;
        server.Queue(reply);
        ASSERT_TRUE(RunCheck()) << c.what << ": the timer on again";
        EXPECT_EQ(server.Requests().size(), ++requests) << c.what << ": still due, so asked";
        EXPECT_TRUE(boxes.asked.empty()) << c.what;
        EXPECT_TRUE(opened.empty()) << c.what;
        EXPECT_TRUE(NeverChecked(main.GetSettings()->LastCheckedTime)) << c.what;
        EXPECT_EQ(main.GetSettings()->LastCheckedVersion, 4) << c.what;
    }

    // No server at all (a closed port): the same.
    std::uint16_t closedPort;
    {
        THttpTestServer gone;
        closedPort = gone.Port();
    }
    form.reset();
    updateServer = "http://127.0.0.1:" + IntToStr(closedPort) + "/";
    TfmMain& again = Open();
    ASSERT_TRUE(RunCheck());
    EXPECT_TRUE(boxes.asked.empty());
    EXPECT_TRUE(NeverChecked(again.GetSettings()->LastCheckedTime));

    // Checks switched off: no request, the timer runs on.
    again.GetSettings()->AutomaticallyCheckUpdates = false;
    ASSERT_TRUE(RunCheck());
    EXPECT_EQ(server.Requests().size(), requests);
}

TEST_F(UpdateCheckTest, ACheckUnderWayAtCloseAsksNothing)
{
    StoreCheckSettings(false);
    TBoxAnswers boxes(IDYES);
    TfmMain& main = Open();
    THttpReply slow;
    slow.body = "updates=yes\r\ncurr_version=9";
    slow.stallBeforeMs = 1500;
    server.Queue(slow);
    const TRequestEndings ended(main.Handle());

    main.tmCheckUpdateTimerTimer(main.tmCheckUpdateTimer);
    ASSERT_TRUE(PumpUntil([&] { return !server.Requests().empty(); }, 30000));
    EXPECT_EQ(ended.Count(), 0) << "the request runs";
    main.Close();
    // The request ends: given up, or answered after all.
    ASSERT_TRUE(PumpUntil([&] { return ended.Count() == 1; }, 30000));
    Pump();
    EXPECT_TRUE(boxes.asked.empty());
    EXPECT_FALSE(main.tmCheckUpdateTimer.Enabled()) << "no more checks at exit";
    EXPECT_EQ(main.GetSettings()->LastCheckedVersion, 4) << "offered again next time";
    EXPECT_TRUE(NeverChecked(main.GetSettings()->LastCheckedTime));
}
