// Regular expressions of the hijack scanner (hijack.patterns, good.hosts),
// compiled by PCRE2 caseless and multiline with the default character
// tables. Each compiled pattern keeps match data made from it, so its
// output vector always holds every group; every match runs under a match
// limit, so a pattern that backtracks without end can't stall the scan.
#pragma once

#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/string_list.h"
#include "classlib/sysutils.h"

// Steps of the matcher per start position in the text (PCRE2 counts them
// afresh at each one) before a match is given up. An ordinary pattern
// against a page address needs a few steps per character, a few thousand at
// most for the longest values; nested repeats like "(a+)+$" need 2^n steps
// for n characters. The library's default of ten million lets such a
// pattern spend a tenth of a second or more on every value it meets; this
// ends it within a millisecond or two and still leaves ordinary patterns a
// wide margin. A value given up on is no pattern match, so it is still
// compared with the expected value and the approved ones: it can't hide.
constexpr std::uint32_t kHijackMatchLimit = 100000;

class THijackPatterns {
public:
    THijackPatterns();
    THijackPatterns(const THijackPatterns&) = delete;
    THijackPatterns& operator=(const THijackPatterns&) = delete;

    // Compiles every line that isn't blank after trimming, untrimmed, in
    // place of what was held. A line that doesn't compile is passed over.
    void Build(const TStringList& lines);
    void Clear() { patterns_.clear(); }
    int Count() const { return static_cast<int>(patterns_.size()); }

    // Whether any pattern matches somewhere in `text`. A match that runs into
    // the limit (or any other matcher error) counts as no match; any result
    // of zero or more is a match (zero would only say the output vector was
    // too small for the groups, which match data from the pattern never is).
    bool AnyMatches(const String& text);

private:
    struct TCodeFree {
        void operator()(pcre2_code* code) const { pcre2_code_free(code); }
    };
    struct TMatchDataFree {
        void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
    };
    struct TMatchContextFree {
        void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
    };
    struct TCompiled {
        std::unique_ptr<pcre2_code, TCodeFree> code;
        std::unique_ptr<pcre2_match_data, TMatchDataFree> matchData;
    };

    std::unique_ptr<pcre2_match_context, TMatchContextFree> context_;
    std::vector<TCompiled> patterns_;
};
