#include "scanner/registry_key_search.h"

#include <windows.h>

#include <shlwapi.h>

#include "scanner/removal_safety.h"
#include "scanner/search.h"
#include "scanner/search_services.h"

// Each definition names a key; a key that opens is a find. Only definitions
// that may be deleted are looked at: a stored database may still hold one
// the append would refuse now, or one with an unknown root.
void TRegKeySearch::Search()
{
    ClearResults();
    const String& status = Engine().Text(kTextSearchRegistryKeys);
    ReportStatus(status, String());
    const auto& definitions = static_cast<const TRegKeyDefinitions&>(Definitions());
    for (const TRegKeyDefinitions::TEntry& entry : definitions.Entries()) {
        if (QueryCancel())
            break;
        if (!TRegKeyDefinitions::IsSearchable(entry))
            continue;
        const String keyPath = TRegKeyDefinitions::KeyPathOf(entry);
        const TRootKey root = RootKeyOfIndex(static_cast<int>(entry.RootIndex));
        ReportStatus(status, RootKeyPrefix(root) + keyPath);
        ObjectScanned();
        // Read access only: a search never changes the registry.
        HKEY key = nullptr;
        if (RegOpenKeyExA(RootKeyHandleOf(root), keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        RegCloseKey(key);
        const String description = definitions.DescriptionFor(keyPath);
        AddItem(NewFoundItem(ikRegistryKey, icRegistryKey, root, keyPath, description, description));
    }
}

// Each checked key goes with its whole subtree. A key that is gone by now
// (removed by someone else since the scan) is left in the list without a
// word, and a key that must never be deleted is not touched, whatever the
// item says.
void TRegKeySearch::Fix()
{
    for (int i = 0; i < ResultCount(); ++i) {
        TSearchResultInterface* item = Result(i);
        if (!item || !item->Checked || IsProtectedRegistryKey(item->RootKey, item->Path) ||
            !KeyExists(item->RootKey, item->Path))
            continue;
        if (!NotifyFixing(*item, RootKeyPrefix(item->RootKey) + item->Path))
            continue;
        const DWORD result = SHDeleteKeyA(RootKeyHandleOf(item->RootKey), item->Path.c_str());
        if (result == ERROR_SUCCESS)
            FreeResult(i);
        else if (result != ERROR_FILE_NOT_FOUND)  // gone in the meantime
            NotifyError(*item, Engine().FormatText(kTextKeyNotDeleted, {item->Path, SystemErrorText(result)}));
    }
    PackResults();
}
