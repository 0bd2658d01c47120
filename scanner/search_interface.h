// What every scanner is to the engine: a definition store behind the
// database's record operations, a search that reports found items, and a
// fix that removes the checked ones. Found items are owned by the scanner
// that found them; the engine and the pages only point at them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/streams.h"
#include "classlib/sysutils.h"
#include "scanner/definition_stores.h"
#include "scanner/root_keys.h"

class TSearch;
class TSearchInterface;

// How an item is removed and how the quarantine keeps it.
enum TItemKind : std::uint8_t {
    ikRegistryKey = 0,
    ikRegistryValue = 1,
    ikFile = 2,
    ikProcess = 3,
    ikAutorunValue = 4,
};

// The line of the results list an item is shown under.
enum TItemCategory : std::uint8_t {
    icBrowserObject = 0,
    icToolbar = 1,
    icFileName = 2,
    icProcess = 3,
    icAutorunEntry = 4,
    icRegistryKey = 5,
    icRegistryValue = 6,
};

struct TSearchResultInterface {
    bool Checked = false;    // chosen by the user for removal
    bool Described = false;  // the descriptions index holds a text for it
    TSearchInterface* Owner = nullptr;
    String Name;
    String Description;
    std::uint8_t Category = 0;
    std::uint8_t Kind = 0;
    String Path;  // file path, key path below the root, or process name
    TRootKey RootKey = kNoRootKey;
    std::int32_t PlaceIndex = -1;
    String Data;
    // What a fix writes back, for the items that are set right rather than
    // removed (hijacked browser settings).
    String FixValue;
};

// A new find; the fields not given keep their defaults (unchecked, no
// place index, no data).
std::unique_ptr<TSearchResultInterface> NewFoundItem(TItemKind kind, TItemCategory category, TRootKey root,
                                                     const String& path, const String& name,
                                                     const String& description);

class TSearchInterface {
public:
    // Registers the scanner with the engine under its tag and gives it the
    // definition store of that tag.
    TSearchInterface(TSearch& engine, const String& tag);
    virtual ~TSearchInterface();
    TSearchInterface(const TSearchInterface&) = delete;
    TSearchInterface& operator=(const TSearchInterface&) = delete;

    const String& Tag() const { return tag_; }

    // The database's record operations, on the scanner's store.
    virtual bool SaveToFile(TStream& file) { return definitions_->SaveToFile(file); }
    virtual void DeleteDefinition(const String& text) { definitions_->DeleteDefinition(text); }
    virtual bool LoadRecord(TStream& file) { return definitions_->LoadRecord(file); }
    virtual bool AppendDefinition(TStream& file, const String& text)
    {
        return definitions_->AppendDefinition(file, text);
    }
    // Frees the previous results, then looks at the machine and hands each
    // find to AddItem.
    virtual void Search() = 0;
    // Removes the checked results (see NotifyFixing and the result helpers).
    virtual void Fix() = 0;
    virtual int Count() const { return definitions_->Count(); }
    virtual void Clear() { definitions_->Clear(); }

    TDefinitionStore& Definitions() { return *definitions_; }
    const TDefinitionStore& Definitions() const { return *definitions_; }
    // A store loaded whole in place of the one held (the engine's
    // all-or-nothing load).
    void ReplaceDefinitions(std::unique_ptr<TDefinitionStore> store);

    int ResultCount() const { return static_cast<int>(results_.size()); }
    TSearchResultInterface* Result(int index) const { return results_.at(static_cast<size_t>(index)).get(); }

protected:
    TSearch& Engine() const { return engine_; }

    void ClearResults() { results_.clear(); }
    // The engine's duplicate screen decides: an accepted item joins the
    // results, a duplicate is freed at once. Null is ignored.
    void AddItem(std::unique_ptr<TSearchResultInterface> item);
    void ReportStatus(const String& text, const String& path);
    void ObjectScanned();
    bool QueryCancel();
    // Called before a trace is touched; the owner keeps its quarantine copy
    // here. False when it could not: the item has then been reported and
    // must be left as it is.
    bool NotifyFixing(TSearchResultInterface& item, const String& text);
    void NotifyError(TSearchResultInterface& item, const String& text);
    // A file that goes at the next start: reported as such (its quarantine
    // copy stays), and the item counts as removed.
    void NotifyRemovalDelayed(TSearchResultInterface& item, const String& text);

    // A removed item is freed and its slot left empty until PackResults
    // drops the empty slots, so indexes stay put during a fix.
    void FreeResult(int index) { results_.at(static_cast<size_t>(index)).reset(); }
    void PackResults();

private:
    friend class TFileRemoval;  // the file removal the file scanners share

    TSearch& engine_;
    String tag_;
    std::unique_ptr<TDefinitionStore> definitions_;
    std::vector<std::unique_ptr<TSearchResultInterface>> results_;
};
