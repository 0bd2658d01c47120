// COM classes that spyware installs into the web browser (BHO): browser
// helper objects, toolbars, search hooks, explorer bars and extensions. A
// definition is a class id; the search reports every registry key, value and
// DLL file through which that class is registered, and the fix removes them.
#pragma once

#include <cstdint>

#include "classlib/sysutils.h"
#include "scanner/search_interface.h"

class TNamesBinding;
class TNameDefinitions;
struct TSafetyFolders;

class TBHOSearch : public TSearchInterface {
public:
    explicit TBHOSearch(TSearch& engine) : TSearchInterface(engine, "BHO") {}
    // Reads only: every key is opened for reading and none is created.
    void Search() override;
    void Fix() override;

private:
    void SearchClass(const String& id, const TNamesBinding& names, const TSafetyFolders& folders);
    void SearchRegistrations(const TNameDefinitions& store, const TNamesBinding& names);
    // Refused keys (removal safety) are never reported.
    void AddKey(TItemCategory category, TRootKey root, const String& path, const String& id, const String& description);
    void AddValue(TRootKey root, const String& path, const String& id, const String& description);
    void AddFile(const String& path, const String& id, const String& description);

    void FixKey(int index);
    void FixValue(int index);
};
