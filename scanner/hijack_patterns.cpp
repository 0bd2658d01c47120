#include "scanner/hijack_patterns.h"

THijackPatterns::THijackPatterns() : context_(pcre2_match_context_create(nullptr))
{
    if (context_)
        pcre2_set_match_limit(context_.get(), kHijackMatchLimit);
}

void THijackPatterns::Build(const TStringList& lines)
{
    patterns_.clear();
    for (int i = 0; i < lines.Count(); ++i) {
        const String& line = lines[i];
        if (Trim(line).empty())
            continue;
        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        TCompiled compiled;
        compiled.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(),
                                          PCRE2_CASELESS | PCRE2_MULTILINE, &error, &errorOffset, nullptr));
        if (!compiled.code)
            continue;
        compiled.matchData.reset(pcre2_match_data_create_from_pattern(compiled.code.get(), nullptr));
        if (compiled.matchData)
            patterns_.push_back(std::move(compiled));
    }
}

bool THijackPatterns::AnyMatches(const String& text)
{
    // Without a context there is no limit to match under; it is missing only
    // when memory ran out.
    if (!context_)
        return false;
    for (TCompiled& pattern : patterns_) {
        const int result = pcre2_match(pattern.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                                       0, pattern.matchData.get(), context_.get());
        if (result >= 0)
            return true;
    }
    return false;
}
