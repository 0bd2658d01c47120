#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "guard/common_rules.h"
#include "guard/crc32.h"
#include "guard/freeze_list.h"
#include "guard/md5_encoder.h"
#include "support/test_support.h"

namespace {

struct DigestFixture {
    std::string name;
    size_t size = 0;
    std::string crc32;
    std::string md5;
};

// Files and their digests as Python's zlib and md5sum computed them.
std::vector<DigestFixture> LoadDigestFixtures()
{
    std::vector<DigestFixture> fixtures;
    std::ifstream in(test_support::FixturePath("digests/digests.txt"));
    DigestFixture f;
    while (in >> f.name >> f.size >> f.crc32 >> f.md5)
        fixtures.push_back(f);
    return fixtures;
}

std::string Hex8(std::uint32_t v)
{
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08x", v);
    return buffer;
}

}  // namespace

TEST(Digests, AgainstZlibAndMd5sum)
{
    const auto fixtures = LoadDigestFixtures();
    ASSERT_GE(fixtures.size(), 10u);
    for (const DigestFixture& f : fixtures) {
        const auto bytes = test_support::ReadAll(test_support::FixturePath("digests/" + f.name));
        ASSERT_EQ(bytes.size(), f.size) << f.name;
        EXPECT_EQ(Hex8(ComputeCRC32(bytes.data(), bytes.size())), f.crc32) << f.name;
        EXPECT_EQ(HashBytesMD5(bytes.data(), bytes.size()), f.md5) << f.name;

        // Fed in uneven pieces, the digest is the same.
        TMD5 md5;
        for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 97 + 1)
            md5.Update(bytes.data() + at, std::min(step, bytes.size() - at));
        EXPECT_EQ(DigestToHex(md5.Final()), f.md5) << f.name;
    }
}

TEST(Digests, Rfc1321TestSuite)
{
    struct Case {
        const char* text;
        const char* md5;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HashStringMD5(c.text), c.md5) << c.text;
}

TEST(Digests, Crc32CheckValueAndGuidIds)
{
    EXPECT_EQ(ComputeCRC32("123456789", 9), 0xCBF43926u);  // the standard check value
    EXPECT_EQ(ComputeCRC32("", 0), 0u);
    // A guard's id is the CRC-32 of its GUID text, as zlib computes it.
    bool found = false;
    for (const DigestFixture& f : LoadDigestFixtures()) {
        if (f.name != "guid.txt")
            continue;
        const auto guid = test_support::ReadAll(test_support::FixturePath("digests/guid.txt"));
        EXPECT_EQ(Hex8(GuardIdFromGuid(String(guid.begin(), guid.end()))), f.crc32);
        found = true;
    }
    EXPECT_TRUE(found);
}

TEST(Digests, SafeOnManyThreadsAtOnce)
{
    const std::string text(100000, 'z');
    const std::string expectedMd5 = HashStringMD5(text);
    const std::uint32_t expectedCrc = ComputeCRC32(text.data(), text.size());
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i)
                if (HashStringMD5(text) != expectedMd5 || ComputeCRC32(text.data(), text.size()) != expectedCrc)
                    ++mismatches;
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(mismatches, 0);
}

TEST(CommonRules, DataFolderFallsBackToTheProgramFolder)
{
    EXPECT_EQ(DataFolderFor("C:\\Users\\u\\AppData\\Local", "C:\\Program\\"), "C:\\Users\\u\\AppData\\Local\\Talmoris\\");
    EXPECT_EQ(DataFolderFor("C:\\Local\\", "C:\\Program\\"), "C:\\Local\\Talmoris\\");
    EXPECT_EQ(DataFolderFor("", "C:\\Program\\"), "C:\\Program\\");
    EXPECT_EQ(DataFolderFor("", ""), ".\\");  // never the root of the drive
}

TEST(CommonRules, WholeDaysTruncateInEitherOrder)
{
    const std::uint64_t day = 864000000000ull;  // in 100 ns ticks
    const std::uint64_t t = 130000000000000000ull;
    EXPECT_EQ(WholeDaysBetweenTicks(t, t), 0u);
    EXPECT_EQ(WholeDaysBetweenTicks(t, t + day - 1), 0u);  // 23:59:59.9999999
    EXPECT_EQ(WholeDaysBetweenTicks(t, t + day), 1u);
    EXPECT_EQ(WholeDaysBetweenTicks(t + 10 * day, t), 10u);
    EXPECT_EQ(WholeDaysBetweenTicks(0, t), t / day);
}

TEST(CommonRules, XPOrLaterForEveryNtVersionFrom51)
{
    struct Case {
        std::uint32_t platform, major, minor;
        bool expected;
    } cases[] = {
        {2, 5, 0, false}, {2, 5, 1, true},  {2, 5, 2, true}, {2, 6, 0, true}, {2, 6, 1, true},
        {2, 10, 0, true}, {2, 4, 90, false}, {1, 5, 1, false}, {1, 4, 10, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsXPOrLaterVersion(c.platform, c.major, c.minor), c.expected)
            << c.platform << " " << c.major << "." << c.minor;
}
