#include "guard/settings_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

TEST(ProxyText, SplitsAtTheFirstColonWithAtoiPorts)
{
    const struct {
        const char* text;
        const char* host;
        std::int32_t port;
    } cases[] = {
        {"proxy.example.com:8080", "proxy.example.com", 8080},
        {"proxy.example.com", "proxy.example.com", 0},
        {"10.0.0.1:3128", "10.0.0.1", 3128},
        {"host:", "host", 0},
        {":8080", "", 8080},
        {":", "", 0},
        {"host:abc", "host", 0},
        {"host:80abc", "host", 80},
        {"host: \t 81", "host", 81},  // atoi skips leading white space
        {"host:+82", "host", 82},
        {"host:-83", "host", -83},
        {"host:- 84", "host", 0},  // no digits right after the sign
        {"host:8 5", "host", 8},
        {"host:0x50", "host", 0},  // decimal only
        {"host:00080", "host", 80},
        {"host:1:2", "host", 1},   // only the first colon splits
        {"http=a:80;https=b:443", "http=a", 80},
        {"host:2147483647", "host", INT_MAX},
        {"host:2147483648", "host", INT_MAX},  // out of range clamps
        {"host:-2147483648", "host", INT_MIN},
        {"host:-99999999999999999999999999", "host", INT_MIN},
        {"host:99999999999999999999999999999999999999999", "host", INT_MAX},
        {" host :80", " host ", 80},  // the host is kept as written
    };
    for (const auto& c : cases) {
        const TProxyServerText split = SplitProxyServer(c.text);
        EXPECT_EQ(split.Host, c.host) << c.text;
        EXPECT_EQ(split.Port, c.port) << c.text;
    }
}

TEST(ProxyText, TheBrowserSettingsGiveEnabledHostAndPort)
{
    const std::optional<bool> none;
    const std::optional<String> noText;
    const struct {
        const char* what;
        std::optional<bool> enable;
        std::optional<String> server;
        TIEProxy expected;
    } cases[] = {
        {"nothing stored", none, noText, {false, "", 0}},
        {"enabled with host and port", true, String("proxy:8080"), {true, "proxy", 8080}},
        {"enabled without a text", true, noText, {true, "", 0}},
        {"an empty text turns it off", true, String(""), {false, "", 0}},
        {"disabled keeps host and port", false, String("proxy:3128"), {false, "proxy", 3128}},
        {"no ProxyEnable is off", none, String("proxy"), {false, "proxy", 0}},
    };
    for (const auto& c : cases) {
        const TIEProxy proxy = IEProxyFrom(c.enable, c.server);
        EXPECT_EQ(proxy.Enabled, c.expected.Enabled) << c.what;
        EXPECT_EQ(proxy.Host, c.expected.Host) << c.what;
        EXPECT_EQ(proxy.Port, c.expected.Port) << c.what;
    }
}

TEST(ProxyText, AFixedBufferKeepsItsTerminator)
{
    const auto bytes = [](size_t count, char fill, bool withNul) {
        std::vector<std::uint8_t> data(count, static_cast<std::uint8_t>(fill));
        if (withNul)
            data.push_back(0);
        return data;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> data;
        size_t expectedLength;
    } cases[] = {
        {"short with NUL", bytes(10, 'a', true), 10},
        {"short without NUL", bytes(10, 'a', false), 10},
        {"259 bytes without NUL fill the buffer", bytes(259, 'a', false), 259},
        {"259 characters and NUL: 260 bytes", bytes(259, 'a', true), 259},
        {"260 without NUL leave room for it", bytes(260, 'a', false), 259},
        {"300 without NUL", bytes(300, 'a', false), 259},
        {"empty", {}, 0},
        {"only a NUL", bytes(0, 'a', true), 0},
    };
    for (const auto& c : cases) {
        // Copied to an exact-size heap block: a read past it trips the sanitizer.
        const std::vector<std::uint8_t> exact(c.data);
        const String text = TextInFixedBuffer(exact.data(), exact.size(), kProxyTextBufferSize);
        EXPECT_EQ(text, String(c.expectedLength, 'a')) << c.what;
    }
    const std::uint8_t inner[] = {'a', 'b', 0, 'c', 'd'};
    EXPECT_EQ(TextInFixedBuffer(inner, sizeof inner, kProxyTextBufferSize), "ab") << "text ends at the first NUL";
    EXPECT_EQ(TextInFixedBuffer(inner, sizeof inner, 1), "") << "a 1-byte buffer holds only its NUL";
}

TEST(SettingsRules, StoredValuesOfTheWrongTypeOrSizeAreRefused)
{
    constexpr std::uint32_t kRegNone = 0, kRegMultiSz = 7, kRegQword = 11, kRegDwordBigEndian = 5;
    const struct {
        TSettingKind kind;
        std::uint32_t type;
        size_t size;
        bool fits;
    } cases[] = {
        {TSettingKind::Flag, kRegDword, 4, true},
        {TSettingKind::Flag, kRegDword, 2, false},
        {TSettingKind::Flag, kRegDword, 8, false},
        {TSettingKind::Flag, kRegBinary, 4, false},
        {TSettingKind::Flag, kRegSz, 4, false},
        {TSettingKind::Number, kRegDword, 4, true},
        {TSettingKind::Number, kRegQword, 8, false},
        {TSettingKind::Number, kRegDwordBigEndian, 4, false},
        {TSettingKind::Number, kRegSz, 5, false},
        {TSettingKind::Text, kRegSz, 0, true},
        {TSettingKind::Text, kRegSz, 300, true},
        {TSettingKind::Text, kRegExpandSz, 10, true},
        {TSettingKind::Text, kRegMultiSz, 10, false},
        {TSettingKind::Text, kRegDword, 4, false},
        {TSettingKind::Text, kRegNone, 0, false},
        {TSettingKind::Time, kRegBinary, 16, true},
        {TSettingKind::Time, kRegBinary, 8, false},
        {TSettingKind::Time, kRegBinary, 17, false},
        {TSettingKind::Time, kRegNone, 16, false},
        {TSettingKind::Time, kRegSz, 16, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SettingValueFits(c.kind, c.type, c.size), c.fits)
            << "kind " << static_cast<int>(c.kind) << ", type " << c.type << ", " << c.size << " bytes";

    EXPECT_TRUE(ProxyEnableValueFits(kRegDword, 4));
    EXPECT_TRUE(ProxyEnableValueFits(kRegBinary, 4)) << "old browsers stored it as binary";
    EXPECT_FALSE(ProxyEnableValueFits(kRegDword, 2));
    EXPECT_FALSE(ProxyEnableValueFits(kRegBinary, 1));
    EXPECT_FALSE(ProxyEnableValueFits(kRegSz, 4));
}
