#include "scanner/bho_search.h"

#include <windows.h>

#include <shlwapi.h>

#include <memory>
#include <vector>

#include "classlib/file_system.h"
#include "classlib/registry.h"
#include "scanner/file_removal.h"
#include "scanner/names_binding.h"
#include "scanner/removal_safety.h"
#include "scanner/search.h"
#include "scanner/search_services.h"

namespace {

// Where the browser looks for its add-ons; each is looked at under
// HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE, for a value or a subkey named
// with the class id.
const char* const kBrowserPlaces[] = {
    "Software\\Microsoft\\Internet Explorer\\URLSearchHooks",
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars",
    "Software\\Microsoft\\Internet Explorer\\Toolbar",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\Explorer",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\ShellBrowser",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser",
};

// The class's other keys, below the class id, under each of kClassRoots.
// HKEY_CLASSES_ROOT is a view of Software\Classes of HKEY_LOCAL_MACHINE
// (with HKEY_CURRENT_USER's merged over it on Windows), so a class key is
// looked for under the roots' Software\Classes as well.
const char* const kClassKeys[] = {
    "Interface\\",
    "TypeLib\\",
    "Software\\Classes\\CLSID\\",
    "Software\\Classes\\Interface\\",
    "Software\\Classes\\TypeLib\\",
};
const TRootKey kClassRoots[] = {kClassesRoot, kCurrentUser, kLocalMachine};

// Below HKEY_LOCAL_MACHINE: one subkey per registered class, named with its id.
const char* const kRegistrationKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\",
    "Software\\Microsoft\\Internet Explorer\\Extensions\\",
};

const TRootKey kPlaceRoots[] = {kCurrentUser, kLocalMachine};

// The default value of a key as text, read whole; false when the key or
// the value is missing or the value is no text.
bool ReadDefaultText(TRootKey root, const String& path, String& text)
{
    TRegistry registry(KEY_READ);
    registry.SetRootKey(RootKeyHandleOf(root));
    if (!registry.OpenKeyReadOnly(path))
        return false;
    const TRegDataType type = registry.GetDataType("");
    return (type == rdString || type == rdExpandString) && registry.ReadString("", text);
}

bool ValueExists(TRootKey root, const String& path, const String& name)
{
    TRegistry registry(KEY_READ);
    registry.SetRootKey(RootKeyHandleOf(root));
    return registry.OpenKeyReadOnly(path) && registry.ValueExists(name);
}

String ClassKeyPath(const String& id) { return "CLSID\\" + id; }

// A name the class gives itself in a subkey of its CLSID key. The registry
// may hold anything there, so a name that isn't one usable HKEY_CLASSES_ROOT
// key ("CLSID", "a\b", blanks) counts as no name.
String ReadOwnName(const String& id, const char* subkey)
{
    String name;
    if (ReadDefaultText(kClassesRoot, ClassKeyPath(id) + "\\" + subkey, name) && !name.empty() &&
        IsUsableClassName(name))
        return name;
    return String();
}

// The names a class is known by besides its id; each is the id itself when
// the class gives none.
struct TClassNames {
    String ClassName;
    String ProgramId;
};

TClassNames ReadClassNames(const String& id)
{
    TClassNames names{id, id};
    if (!KeyExists(kClassesRoot, ClassKeyPath(id)))
        return names;
    const String programId = ReadOwnName(id, "ProgID");
    const String independent = ReadOwnName(id, "VersionIndependentProgID");
    if (!programId.empty())
        names.ProgramId = programId;
    names.ClassName = !independent.empty() ? independent : names.ProgramId;
    return names;
}

// Environment strings replaced whole; "" when the system can't.
String ExpandEnvironment(const String& text)
{
    DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
        std::vector<char> buffer(size);
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), size);
        if (needed == 0)
            return String();
        if (needed <= size)
            return String(buffer.data());
        size = needed;  // the environment changed between the calls
    }
    return String();
}

// The DLL the class runs from: InprocServer32's default value, expanded and
// trimmed, when it names a file that exists and may be removed (a bare name
// the system would look up along its path is not one: the file found there
// may be any other).
bool FindServerDll(const String& id, const TSafetyFolders& folders, String& path)
{
    String value;
    if (!ReadDefaultText(kClassesRoot, ClassKeyPath(id) + "\\InprocServer32", value))
        return false;
    path = Trim(ExpandEnvironment(value));
    return !path.empty() && IsRemovableFile(path, folders) && FileExists(path);
}

}  // namespace

void TBHOSearch::Search()
{
    ClearResults();
    TNamesBinding names;
    names.LoadFromFile(Engine().SideFileName("bho.names.binding"));  // none when it can't be read
    ReportStatus(Engine().Text(kTextSearchBrowserObjects), String());
    const TSafetyFolders folders = ThisProgramSafetyFolders();
    const auto& store = static_cast<const TNameDefinitions&>(Definitions());
    for (const String& held : store.Names()) {
        if (QueryCancel())
            return;
        // A stored database may hold an id an append would have refused.
        if (IsClassIdForm(held))
            SearchClass(LowerCase(held), names, folders);
    }
    if (!QueryCancel())
        SearchRegistrations(store, names);
}

void TBHOSearch::SearchClass(const String& id, const TNamesBinding& names, const TSafetyFolders& folders)
{
    const String display = names.DisplayNameOf(id);
    ObjectScanned();
    const bool registered = KeyExists(kClassesRoot, ClassKeyPath(id));
    const TClassNames classNames = ReadClassNames(id);
    ReportStatus(Engine().Text(kTextSearchBrowserObjects), "HKLM\\" + String(kRegistrationKeys[0]) + id);
    const String description = display.empty() ? classNames.ClassName : display;

    // The class's own keys are shown as a toolbar when the last browser
    // place that held it says so: a value under HKEY_CURRENT_USER is taken
    // for a browser object, one under HKEY_LOCAL_MACHINE or any subkey for a
    // toolbar. The order of the places thus matters.
    TItemCategory category = icBrowserObject;
    for (const char* place : kBrowserPlaces) {
        for (const TRootKey root : kPlaceRoots) {
            ObjectScanned();
            if (ValueExists(root, place, id)) {
                category = root == kLocalMachine ? icToolbar : icBrowserObject;
                AddValue(root, place, id, description);
            }
            const String subkey = String(place) + "\\" + id;
            if (KeyExists(root, subkey)) {
                category = icToolbar;
                AddKey(icToolbar, root, subkey, id, description);
            }
        }
    }
    if (registered)
        AddKey(category, kClassesRoot, ClassKeyPath(id), id, description);

    ObjectScanned();
    String dll;
    if (FindServerDll(id, folders, dll))
        AddFile(dll, id, description);

    // A class name read from ProgID equals the program id: its key is
    // reported once.
    if (!SameText(classNames.ClassName, id)) {
        ObjectScanned();
        if (KeyExists(kClassesRoot, classNames.ClassName))
            AddKey(category, kClassesRoot, classNames.ClassName, id, description);
    }
    if (!SameText(classNames.ProgramId, id) && !SameText(classNames.ProgramId, classNames.ClassName)) {
        ObjectScanned();
        if (KeyExists(kClassesRoot, classNames.ProgramId))
            AddKey(category, kClassesRoot, classNames.ProgramId, id, display.empty() ? classNames.ProgramId : display);
    }

    for (const char* format : kClassKeys) {
        const String path = format + id;
        for (const TRootKey root : kClassRoots) {
            ObjectScanned();
            if (KeyExists(root, path))
                AddKey(category, root, path, id, description);
        }
    }
}

void TBHOSearch::SearchRegistrations(const TNameDefinitions& store, const TNamesBinding& names)
{
    for (const char* keyPath : kRegistrationKeys) {
        ReportStatus(Engine().Text(kTextSearchBrowserObjects), "HKLM\\" + String(keyPath));
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        std::vector<String> subkeys;
        if (!registry.OpenKeyReadOnly(keyPath))
            continue;
        registry.GetKeyNames(subkeys);  // a walk that failed part way keeps what it read
        std::vector<String> work;
        for (const String& subkey : subkeys) {
            if (QueryCancel())
                return;
            ObjectScanned();
            work.push_back(LowerCase(subkey));
        }
        for (const String& id : work) {
            if (QueryCancel())
                return;
            if (!IsClassIdForm(id) || !store.Holds(id))
                continue;
            const TClassNames classNames = ReadClassNames(id);
            const String display = names.DisplayNameOf(id);
            const String description = !display.empty()                      ? display
                                       : !SameText(classNames.ClassName, id) ? classNames.ClassName
                                                                             : classNames.ProgramId;
            AddKey(icBrowserObject, kLocalMachine, keyPath + id, id, description);
        }
    }
}

void TBHOSearch::AddKey(TItemCategory category, TRootKey root, const String& path, const String& id,
                        const String& description)
{
    if (IsProtectedRegistryKey(root, path))
        return;
    AddItem(NewFoundItem(ikRegistryKey, category, root, path, id, description));
}

void TBHOSearch::AddValue(TRootKey root, const String& path, const String& id, const String& description)
{
    AddItem(NewFoundItem(ikRegistryValue, icToolbar, root, path, id, description));
}

void TBHOSearch::AddFile(const String& path, const String& id, const String& description)
{
    AddItem(NewFoundItem(ikFile, icFileName, kNoRootKey, path, id, description));
}

// Items go in results order: the browser's values and keys first, then the
// class key, its DLL and its other keys.
void TBHOSearch::Fix()
{
    TFileRemoval files(*this);  // critical-error boxes off for the whole fix
    for (int i = 0; i < ResultCount(); ++i) {
        const TSearchResultInterface* item = Result(i);
        if (!item || !item->Checked)
            continue;
        switch (item->Kind) {
        case ikRegistryKey: FixKey(i); break;
        case ikRegistryValue: FixValue(i); break;
        case ikFile: files.Remove(i); break;
        default: break;
        }
    }
    PackResults();
}

// A key that is gone is left alone without a word. That is also how a class
// key seen twice ends: HKEY_CLASSES_ROOT\CLSID\{id} is the same key as
// Software\Classes\CLSID\{id} of the root that holds it, so removing the
// first item takes the second's key along, and the second finds nothing.
void TBHOSearch::FixKey(int index)
{
    TSearchResultInterface& item = *Result(index);
    if (IsProtectedRegistryKey(item.RootKey, item.Path) || !KeyExists(item.RootKey, item.Path))
        return;
    if (!NotifyFixing(item, RootKeyPrefix(item.RootKey) + item.Path))
        return;
    const DWORD result = SHDeleteKeyA(RootKeyHandleOf(item.RootKey), item.Path.c_str());
    if (result == ERROR_SUCCESS)
        FreeResult(index);
    else if (result != ERROR_FILE_NOT_FOUND)
        NotifyError(item, Engine().FormatText(kTextKeyNotDeleted, {item.Path, SystemErrorText(result)}));
}

// The value is deleted by the name it was found under, the class id; that
// form also keeps a name the system would cut short (a NUL) out.
void TBHOSearch::FixValue(int index)
{
    TSearchResultInterface& item = *Result(index);
    if (!IsClassIdForm(item.Name) || !ValueExists(item.RootKey, item.Path, item.Name))
        return;
    if (!NotifyFixing(item, RootKeyPrefix(item.RootKey) + item.Path))
        return;
    const DWORD result = SHDeleteValueA(RootKeyHandleOf(item.RootKey), item.Path.c_str(), item.Name.c_str());
    if (result == ERROR_SUCCESS)
        FreeResult(index);
    else if (result != ERROR_FILE_NOT_FOUND)
        NotifyError(item, Engine().FormatText(kTextValueNotDeleted, {item.Name, SystemErrorText(result)}));
}
