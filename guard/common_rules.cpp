#include "guard/common_rules.h"

namespace {
constexpr std::uint32_t kPlatformWin32NT = 2;
constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kSecondsPerDay = 86400;
}  // namespace

String DataFolderFor(const String& localAppDataFolder, const String& programFolder)
{
    // Windows paths, whatever the building host uses.
    const auto withBackslash = [](const String& folder) {
        return (!folder.empty() && IsPathDelimiter(folder.back())) ? folder : folder + "\\";
    };
    if (localAppDataFolder.empty())
        return programFolder.empty() ? String(".\\") : withBackslash(programFolder);
    return withBackslash(localAppDataFolder) + "Talmoris\\";
}

std::uint64_t WholeDaysBetweenTicks(std::uint64_t a, std::uint64_t b)
{
    const std::uint64_t difference = a > b ? a - b : b - a;
    return difference / kTicksPerSecond / kSecondsPerDay;
}

bool IsXPOrLaterVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor)
{
    return platformId == kPlatformWin32NT && (major > 5 || (major == 5 && minor >= 1));
}
