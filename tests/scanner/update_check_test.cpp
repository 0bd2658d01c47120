// The update check's decisions: when a check is due, what a reply of the
// update server offers, and what the main form does with a finished request.
#include "scanner/update_check.h"

#include <gtest/gtest.h>

#include <climits>

#include "guard/common_rules.h"

namespace {

constexpr std::uint64_t kTicksPerDay = 864000000000ull;
// 2024-06-01 as 100 ns ticks since 1601, the system's file time.
constexpr std::uint64_t kNow = 133616736000000000ull;

}  // namespace

TEST(UpdateCheckDue, MoreWholeDaysThanTheIntervalWithChecksOn)
{
    const std::uint64_t hour = kTicksPerDay / 24;
    const struct {
        const char* what;
        bool automatic;
        std::int32_t interval;
        std::uint64_t lastChecked;  // ticks; 0 is the all-zero time, the beginning of time
        bool due;
    } cases[] = {
        {"interval 3, three whole days ago", true, 3, kNow - 3 * kTicksPerDay - 23 * hour, false},
        {"interval 3, four whole days ago", true, 3, kNow - 4 * kTicksPerDay, true},
        {"never checked", true, 3, 0, true},
        {"never checked, checks off", false, 3, 0, false},
        {"checks off, long ago", false, 3, kNow - 400 * kTicksPerDay, false},
        {"just checked", true, 3, kNow, false},
        {"dated two days ahead", true, 3, kNow + 2 * kTicksPerDay, false},
        {"dated ten days ahead (the clock went back)", true, 3, kNow + 10 * kTicksPerDay, true},
        {"interval 0 counts as 1: one whole day", true, 0, kNow - kTicksPerDay - hour, false},
        {"interval 0 counts as 1: two whole days", true, 0, kNow - 2 * kTicksPerDay, true},
        {"a negative interval counts as 1", true, -7, kNow - 2 * kTicksPerDay, true},
        {"a negative interval, one day", true, INT_MIN, kNow - kTicksPerDay, false},
        {"the longest interval", true, INT_MAX, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdateCheckDue(c.automatic, c.interval, WholeDaysBetweenTicks(kNow, c.lastChecked)), c.due)
            << c.what;
    EXPECT_EQ(EffectiveCheckInterval(0), 1);
    EXPECT_EQ(EffectiveCheckInterval(1), 1);
    EXPECT_EQ(EffectiveCheckInterval(14), 14);
}

TEST(UpdateCheckUrl, TheScriptWithDatabaseSizeAndTickCount)
{
    EXPECT_EQ(UpdateCheckUrl("http://updates.example/", 123456, 789),
              "http://updates.example/vq_updates_present.php?fsize=123456&rand=789");
    EXPECT_EQ(UpdateCheckUrl("http://127.0.0.1:8080/t/", 0, 4294967295u),
              "http://127.0.0.1:8080/t/vq_updates_present.php?fsize=0&rand=4294967295");
}

TEST(UpdateReply, DatabaseNewsNewerVersionAndTheVersionKept)
{
    const struct {
        const char* what;
        const char* body;
        std::int32_t last;
        bool news;
        bool newer;
        std::int32_t kept;
        const char* versionString;
    } cases[] = {
        {"updates yes", "updates=yes\r\ncurr_version=4\r\n", 4, true, false, 4, ""},
        {"updates YES in capitals", "updates=YES", 4, true, false, 4, ""},
        {"updates Yes", "curr_version=4\r\nupdates=Yes\r\n", 4, true, false, 4, ""},
        {"updates no", "updates=no\r\ncurr_version=4", 4, false, false, 4, ""},
        {"updates something else", "updates=yesterday", 4, false, false, 4, ""},
        {"updates missing", "curr_version=4", 4, false, false, 4, ""},
        {"higher version", "curr_version=5", 4, false, true, 5, ""},
        {"higher version with its text", "curr_version=5\r\nversion_string=5.0 beta\r\n", 4, false, true, 5,
         "5.0 beta"},
        {"equal version", "curr_version=5", 5, false, false, 5, ""},
        {"lower version: the kept one never goes down", "curr_version=3\r\nupdates=yes", 5, true, false, 5, ""},
        {"not a number", "curr_version=five\r\nversion_string=5", 4, false, false, 4, "5"},
        {"a number with a tail", "curr_version=6x", 4, false, false, 4, ""},
        {"an empty value", "curr_version=", 4, false, false, 4, ""},
        {"version missing", "updates=no\r\nversion_string=9.9", 4, false, false, 4, "9.9"},
        {"blanks around the number", "curr_version= 6 ", 4, false, true, 6, ""},
        {"names in any case, bare LF", "UPDATES=yes\nCurr_Version=7\n", 4, true, true, 7, ""},
        {"the first line of a name counts", "curr_version=8\r\ncurr_version=3", 4, false, true, 8, ""},
        {"negative stored version", "curr_version=0", -1, false, true, 0, ""},
        {"an empty body", "", 4, false, false, 4, ""},
        {"not name=value at all", "<html>Not Found</html>", 4, false, false, 4, ""},
    };
    for (const auto& c : cases) {
        const TUpdateReply reply = ReadUpdateReply(c.body, c.last);
        EXPECT_EQ(reply.databaseNews, c.news) << c.what;
        EXPECT_EQ(reply.newerProgram, c.newer) << c.what;
        EXPECT_EQ(reply.lastCheckedVersion, c.kept) << c.what;
        EXPECT_EQ(reply.versionString, c.versionString) << c.what;
    }
}

TEST(UpdateAnswer, OnlyAStatus200OfTheCheckCountsAndAsks)
{
    const char* both = "updates=yes\r\ncurr_version=9\r\n";
    const struct {
        const char* what;
        std::uint32_t status;
        std::uint8_t kind;
        const char* body;
        bool closing;
        bool offerOpen;
        bool counts;
        bool askProgram;
        bool askDatabase;
        std::int32_t kept;
    } cases[] = {
        {"both offered", 200, kRequestKindUpdateCheck, both, false, true, true, true, true, 9},
        {"database news while a scan runs: no question", 200, kRequestKindUpdateCheck, both, false, false, true, true,
         false, 9},
        {"nothing new", 200, kRequestKindUpdateCheck, "updates=no\r\ncurr_version=4", false, true, true, false, false,
         4},
        {"status 404: nothing asked or kept", 404, kRequestKindUpdateCheck, both, false, true, false, false, false, 4},
        {"status 500", 500, kRequestKindUpdateCheck, both, false, true, false, false, false, 4},
        {"a redirect's status", 302, kRequestKindUpdateCheck, both, false, true, false, false, false, 4},
        {"another request's reply", 200, 0, both, false, true, false, false, false, 4},
        {"arriving while the program closes", 200, kRequestKindUpdateCheck, both, true, true, false, false, false, 4},
    };
    for (const auto& c : cases) {
        const TUpdateAnswer answer = AnswerUpdateCheck(c.status, c.kind, c.body, 4, c.closing, c.offerOpen);
        EXPECT_EQ(answer.counts, c.counts) << c.what;
        EXPECT_EQ(answer.askProgram, c.askProgram) << c.what;
        EXPECT_EQ(answer.askDatabase, c.askDatabase) << c.what;
        EXPECT_EQ(answer.reply.lastCheckedVersion, c.kept) << c.what;
    }
    // The second reply of the same version asks nothing more.
    const TUpdateAnswer first = AnswerUpdateCheck(200, kRequestKindUpdateCheck, "curr_version=5", 4, false, false);
    EXPECT_TRUE(first.askProgram);
    EXPECT_FALSE(AnswerUpdateCheck(200, kRequestKindUpdateCheck, "curr_version=5", first.reply.lastCheckedVersion,
                                   false, false)
                     .askProgram);
}

TEST(UpdateQuestions, TheServersVersionTextIsAnArgumentNeverAFormat)
{
    const String tail = ".\r\nDo you want to visit program site for download the latest version?";
    const struct {
        const char* versionString;
        String question;
    } cases[] = {
        {"", "New version of Talmoris detected" + tail},
        {"4.1", "New version of Talmoris detected - 4.1" + tail},
        {"%s", "New version of Talmoris detected - %s" + tail},
        {"%d%x%n%1:s", "New version of Talmoris detected - %d%x%n%1:s" + tail},
        {"100%", "New version of Talmoris detected - 100%" + tail},
        {"{CRLF}", "New version of Talmoris detected - {CRLF}" + tail},
    };
    for (const auto& c : cases) {
        TUpdateReply reply;
        reply.versionString = c.versionString;
        EXPECT_EQ(NewVersionQuestion(reply), c.question) << c.versionString;
    }
    EXPECT_EQ(DatabaseUpdateQuestion(), "Database update available. Download and install now?");
    EXPECT_EQ(UpdateQuestionCaption(), "Confirmation");
}
