// PCRE2 as the hijack scanner compiles its patterns: caseless and multiline.
#include <pcre2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

bool Matches(const std::string& pattern, const std::string& subject)
{
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), PCRE2_ZERO_TERMINATED,
                                     PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
    EXPECT_NE(code, nullptr) << pattern;
    if (!code)
        return false;
    pcre2_match_data* match = pcre2_match_data_create_from_pattern(code, nullptr);
    const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0, match,
                               nullptr);
    pcre2_match_data_free(match);
    pcre2_code_free(code);
    return rc >= 0;
}

}  // namespace

TEST(Pcre2, CaselessMultilinePatterns)
{
    EXPECT_TRUE(Matches("^http://.*search\\.example$", "about:blank\nHTTP://www.SEARCH.example"));
    EXPECT_FALSE(Matches("^http://", "xhttp://a"));
    int error = 0;
    PCRE2_SIZE offset = 0;
    EXPECT_EQ(pcre2_compile(reinterpret_cast<PCRE2_SPTR>("(unclosed"), PCRE2_ZERO_TERMINATED, 0, &error, &offset,
                            nullptr),
              nullptr);
}
