#include "scanner/known_locations.h"

namespace {

String DriveOf(const String& path) { return path.empty() ? String() : path.substr(0, 1) + ":"; }

}  // namespace

TKnownLocationFolders KnownLocationFoldersFrom(const String& programFiles, const String& windows,
                                               const String& system, const String& programPath)
{
    TKnownLocationFolders folders;
    folders.ProgramFiles = ExcludeTrailingPathDelimiter(programFiles);
    folders.Windows = ExcludeTrailingPathDelimiter(windows);
    folders.System = ExcludeTrailingPathDelimiter(system);
    folders.WindowsDrive = DriveOf(windows.empty() ? programPath : windows);
    return folders;
}

String ExpandKnownLocation(const String& location, const TKnownLocationFolders& folders)
{
    const String token = location.substr(0, 4);
    const String rest = location.size() > 4 ? location.substr(4) : String();
    const struct {
        const char* Token;
        const String* Text;
    } kTokens[] = {
        {"<PF>", &folders.ProgramFiles},
        {"<WR>", &folders.WindowsDrive},
        {"<WD>", &folders.Windows},
        {"<SD>", &folders.System},
    };
    for (const auto& known : kTokens)
        if (SameText(token, known.Token))
            return *known.Text + rest;
    return rest;
}
