#include "scanner/update_check.h"

#include <algorithm>

#include "classlib/string_list.h"
#include "guard/interface_translator.h"

String UpdateCheckUrl(const String& serverAddress, std::uint32_t databaseSize, std::uint32_t tickCount)
{
    return serverAddress + "vq_updates_present.php?fsize=" + IntToStr(databaseSize) + "&rand=" + IntToStr(tickCount);
}

std::int32_t EffectiveCheckInterval(std::int32_t intervalDays) { return std::max<std::int32_t>(intervalDays, 1); }

bool UpdateCheckDue(bool automaticChecks, std::int32_t intervalDays, std::uint64_t wholeDaysSinceLastCheck)
{
    return automaticChecks &&
           wholeDaysSinceLastCheck > static_cast<std::uint64_t>(EffectiveCheckInterval(intervalDays));
}

TUpdateReply ReadUpdateReply(const String& body, std::int32_t lastCheckedVersion)
{
    TStringList lines;
    lines.SetText(body);
    TUpdateReply reply;
    reply.databaseNews = LowerCase(lines.Values("updates")) == "yes";
    // Missing or not a number: as if the last version seen came again.
    const std::int32_t reported = StrToIntDef(lines.Values("curr_version"), lastCheckedVersion);
    reply.newerProgram = reported > lastCheckedVersion;
    reply.lastCheckedVersion = std::max(reported, lastCheckedVersion);
    reply.versionString = lines.Values("version_string");
    return reply;
}

TUpdateAnswer AnswerUpdateCheck(std::uint32_t status, std::uint8_t requestKind, const String& body,
                                std::int32_t lastCheckedVersion, bool closing, bool databaseOfferOpen)
{
    TUpdateAnswer answer;
    answer.reply.lastCheckedVersion = lastCheckedVersion;
    // A reply that comes while the program closes would offer what nobody
    // sees: it is left for the next run to ask again.
    if (status != 200 || requestKind != kRequestKindUpdateCheck || closing)
        return answer;
    answer.counts = true;
    answer.reply = ReadUpdateReply(body, lastCheckedVersion);
    answer.askProgram = answer.reply.newerProgram;
    answer.askDatabase = answer.reply.databaseNews && databaseOfferOpen;
    return answer;
}

String NewVersionQuestion(const TUpdateReply& reply)
{
    const String shown = reply.versionString.empty() ? String() : " - " + reply.versionString;
    return TranslateFormat(32,
                           "New version of Talmoris detected%s.{CRLF}Do you want to visit program site for download the "
                           "latest version?",
                           {shown});
}

String DatabaseUpdateQuestion() { return TranslateString(33, "Database update available. Download and install now?"); }

String UpdateQuestionCaption() { return TranslateString(2, "Confirmation"); }
