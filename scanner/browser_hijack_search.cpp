#include "scanner/browser_hijack_search.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "classlib/registry.h"
#include "classlib/win_handle.h"
#include "scanner/hijack_places.h"
#include "scanner/removal_safety.h"
#include "scanner/search.h"
#include "scanner/search_services.h"

namespace {

// The browser's settings live per user and per machine: a place is checked
// under both.
const TRootKey kHijackRoots[] = {kCurrentUser, kLocalMachine};

// Replaces `list` with the file's lines when the file is there and can be
// read; otherwise the lines held stay (an update half written, a file held
// open by an editor), so one bad moment doesn't switch the check off.
void LoadIfPresent(TStringList& list, const String& path)
{
    if (!FileExists(path))
        return;
    TStringList loaded;
    try {
        loaded.LoadFromFile(path);
    } catch (const Exception&) {
        return;
    }
    list = std::move(loaded);
}

}  // namespace

TBrowserHijackSearch::TBrowserHijackSearch(TSearch& engine)
    : TSearchInterface(engine, "0BH"),
      patternsPath_(engine.SideFileName("hijack.patterns")),
      placesPath_(engine.SideFileName("hijack.places")),
      goodHostsPath_(engine.SideFileName("good.hosts"))
{
    LoadIfPresent(patterns_, patternsPath_);
    LoadIfPresent(places_, placesPath_);
    LoadIfPresent(goodHosts_, goodHostsPath_);
}

bool TBrowserHijackSearch::ReadRegistryString(TRootKey root, const String& keyPath, const String& valueName,
                                              String& text)
{
    text.clear();
    const HKEY rootKey = RootKeyHandleOf(root);
    if (!rootKey)
        return false;
    TRegistry registry(KEY_READ);
    registry.SetRootKey(rootKey);
    // ReadString reads the whole value, of any type, and stops at its first
    // zero byte.
    if (!registry.OpenKeyReadOnly(keyPath) || !registry.ReadString(valueName, text)) {
        text.clear();
        return false;
    }
    return true;
}

bool TBrowserHijackSearch::IsGoodHost(const String& text)
{
    return goodHosts_.IndexOf(text) >= 0 || compiledGoodHosts_.AnyMatches(text);
}

void TBrowserHijackSearch::Search()
{
    ClearResults();
    // The files are read again at every scan: the scan page adds approved
    // values to good.hosts, and a database update brings new places and
    // patterns.
    LoadIfPresent(patterns_, patternsPath_);
    LoadIfPresent(places_, placesPath_);
    if (patterns_.Count() == 0 || places_.Count() == 0)
        return;
    ReportStatus(Engine().Text(kTextSearchHijacks), String());

    LoadIfPresent(goodHosts_, goodHostsPath_);
    compiledGoodHosts_.Build(goodHosts_);
    THijackPatterns patterns;
    patterns.Build(patterns_);

    // The line's index counts every line, so a fix finds its line again.
    for (int index = 0; index < places_.Count(); ++index) {
        THijackPlace place;
        // Only values are set right here, never keys removed, and the places
        // are values of the browser's own keys (Internet Explorer\Main among
        // them, which removal safety protects from deletion): a value of a
        // protected key is what a fix is for. A path the system would read
        // as another one is still refused.
        if (!ParseHijackPlace(places_[index], place) || !IsWellFormedKeyPath(place.KeyPath))
            continue;
        for (const TRootKey root : kHijackRoots) {
            String value;
            if (!ReadRegistryString(root, place.KeyPath, place.ValueName, value))
                continue;
            ObjectScanned();
            if (value.empty())
                continue;
            // A known hijacker's address is reported even when the user once
            // approved it.
            const bool patternMatch = patterns.AnyMatches(value);
            if (!patternMatch && (SameText(value, place.Expected) || IsGoodHost(value)))
                continue;
            auto item = NewFoundItem(ikRegistryValue, icRegistryValue, root, place.KeyPath, place.ValueName,
                                     Engine().Text(patternMatch ? kTextHijackPatternMatch : kTextHijackNotBlank));
            item->PlaceIndex = index;
            item->Data = value;
            item->FixValue = place.Expected;
            AddItem(std::move(item));
        }
    }
}

void TBrowserHijackSearch::Fix()
{
    for (int i = 0; i < ResultCount(); ++i) {
        TSearchResultInterface* item = Result(i);
        if (!item || !item->Checked)
            continue;
        // An index the place lines no longer hold: the scan that made the
        // item read other lines than the ones held now.
        if (item->PlaceIndex < 0 || item->PlaceIndex >= places_.Count())
            continue;
        const HKEY root = RootKeyHandleOf(item->RootKey);
        if (!root || !IsWellFormedKeyPath(item->Path))
            continue;
        if (!NotifyFixing(*item, RootKeyPrefix(item->RootKey) + item->Path))
            continue;
        // The value is set only in a key that is there: a fix never creates
        // one.
        TUniqueKey key;
        LONG result = RegOpenKeyExA(root, item->Path.c_str(), 0, KEY_WRITE, key.Out());
        if (result == ERROR_SUCCESS)
            result = RegSetValueExA(key.Get(), item->Name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(item->FixValue.c_str()),
                                    static_cast<DWORD>(item->FixValue.size() + 1));
        if (result == ERROR_SUCCESS) {
            FreeResult(i);
        } else {
            NotifyError(*item, Engine().FormatText(kTextValueNotFixed,
                                                   {item->Name, item->Path, SystemErrorText(static_cast<DWORD>(result))}));
        }
    }
    PackResults();
}
