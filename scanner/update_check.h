// The update check's decisions, free of Win32 so that they can be tested on
// their own: the address asked, whether a check is due, and what a reply of
// the update server offers. The main form does the asking and the offering.
#pragma once

#include <cstdint>

#include "classlib/sysutils.h"

// The update server's script with its query: the size of the definitions
// database in bytes (0 when there is none) and a tick count that keeps any
// cache on the way from answering.
String UpdateCheckUrl(const String& serverAddress, std::uint32_t databaseSize, std::uint32_t tickCount);

// The interval in days as the settings page stores it: below 1 counts as 1.
std::int32_t EffectiveCheckInterval(std::int32_t intervalDays);

// Due when automatic checks are on and more whole days than the interval
// lie between now and the last check (either way round: a last check dated
// in the future, after the clock was set back, doesn't stop checks for ever).
bool UpdateCheckDue(bool automaticChecks, std::int32_t intervalDays, std::uint64_t wholeDaysSinceLastCheck);

// What a status-200 reply of name=value lines offers.
struct TUpdateReply {
    bool databaseNews = false;  // "updates" is "yes", in any case
    bool newerProgram = false;  // "curr_version" is above the last version seen
    // The last version seen from now on: the larger of the stored one and
    // the reported one, so a server that once answers lower offers the same
    // version again only when it is really newer.
    std::int32_t lastCheckedVersion = 0;
    String versionString;  // "version_string", as the server wrote it
};
TUpdateReply ReadUpdateReply(const String& body, std::int32_t lastCheckedVersion);

// The request kind of the update check's request thread (the database
// download leaves 0).
constexpr std::uint8_t kRequestKindUpdateCheck = 1;

// What the main form does with a finished request.
struct TUpdateAnswer {
    // A status-200 reply of the update check while the program isn't
    // closing: the check counts (its time and the version are recorded).
    // Anything else changes nothing, so the check is tried again later.
    bool counts = false;
    TUpdateReply reply;
    bool askProgram = false;   // the new-version question
    bool askDatabase = false;  // the database question
};
// `databaseOfferOpen`: the scan page could start a download now (no scan
// running, its live-update link enabled).
TUpdateAnswer AnswerUpdateCheck(std::uint32_t status, std::uint8_t requestKind, const String& body,
                                std::int32_t lastCheckedVersion, bool closing, bool databaseOfferOpen);

// The new-version question (text 32): the server's version text goes in as
// an argument, never as a format.
String NewVersionQuestion(const TUpdateReply& reply);
// The database question (text 33) and the caption of both (text 2).
String DatabaseUpdateQuestion();
String UpdateQuestionCaption();
