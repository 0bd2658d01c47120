// The spyware scan engine: it owns the seven scanners, loads and saves their
// definitions in the database, runs their searches in tag order, screens
// what they find for duplicates and reports progress, finds, errors and the
// end of a run through its event closures. It has no thread of its own: the
// scan page calls Search on its scan thread and RemoveChecked on the main
// thread, and never both at once.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "classlib/format.h"
#include "classlib/streams.h"
#include "classlib/sysutils.h"
#include "scanner/search_interface.h"
#include "scanner/spyware_descriptions.h"

class TInterfaceTranslator;

// Texts of the engine and the scanners, by their ids in the translation table.
enum TSearchTextId : int {
    kTextStep = 123,
    kTextSearchKnownLocations = 124,
    kTextFileDeletedAtRestart = 125,
    kTextFileNotDeleted = 126,
    kTextSearchRegistryKeys = 127,
    kTextKeyNotDeleted = 128,
    kTextProcessNotEnded = 129,
    kTextSearchProcesses = 130,
    kTextSearchFiles = 131,
    kTextSearchBrowserObjects = 132,
    kTextValueNotDeleted = 133,
    kTextSearchHijacks = 134,
    kTextHijackPatternMatch = 135,
    kTextHijackNotBlank = 136,
    kTextValueNotFixed = 137,
    kTextSearchAutorun = 138,
    kTextNotQuarantined = 147,
};

// The engine's texts, translated once when the engine is made.
class TSearchTexts {
public:
    TSearchTexts();  // the English texts
    explicit TSearchTexts(const TInterfaceTranslator& translator);

    const String& Text(int id) const;
    static const String& English(int id);

private:
    std::map<int, String> texts_;
};

// How a database load went. Missing and Empty leave an empty file to which
// definitions may be appended; the others leave the file alone.
enum class TDatabaseLoad { Loaded, Missing, Empty, Unreadable, BadHeader, Damaged };

class TSearch : public TSpywareDescriptions {
public:
    // Texts from the translation table in the program's folder and the
    // seven scanners, whose side files (the names files, the hijack places
    // and patterns, the approved hosts) are read from `dataFolder` (Windows
    // only).
    explicit TSearch(const String& dataFolder);
    // Given texts and no scanners: the caller adds them (AddScanner).
    explicit TSearch(const TSearchTexts& texts, const String& dataFolder = String());
    virtual ~TSearch();
    TSearch(const TSearch&) = delete;
    TSearch& operator=(const TSearch&) = delete;

    template <class TScanner, class... TArgs>
    TScanner& AddScanner(TArgs&&... args)
    {
        auto scanner = std::make_unique<TScanner>(*this, std::forward<TArgs>(args)...);
        TScanner& added = *scanner;
        scanners_.push_back(std::move(scanner));
        return added;
    }
    // Called by a scanner's constructor.
    void RegisterScanner(const String& tag, TSearchInterface& scanner) { scannerByTag_[tag] = &scanner; }
    TSearchInterface* ScannerOf(const String& tag) const;
    int ScannerCount() const { return static_cast<int>(scannerByTag_.size()); }

    // Events. OnFixing answers whether the owner kept its quarantine copy;
    // OnRemovalDelayed reports a file that goes at the next start.
    std::function<void(const String& text, const String& path)> OnStatus;
    std::function<void(TSearchResultInterface& item)> OnFound;
    std::function<void()> OnDone;
    std::function<void(bool& cancel)> OnQueryCancel;
    std::function<void(TSearchResultInterface& item, const String& text)> OnError;
    std::function<bool(TSearchResultInterface& item, const String& text)> OnFixing;
    std::function<void()> OnObjectScanned;
    std::function<void(TSearchResultInterface& item, const String& text)> OnRemovalDelayed;

    void Search();
    void RemoveChecked();
    bool QueryCancel();
    // The text behind "Step n of 7." to OnStatus.
    void ReportStatus(const String& text, const String& path);
    // The duplicate screen: true when the item is accepted.
    bool AddFoundItem(TSearchResultInterface& item);
    void Error(TSearchResultInterface& item, const String& text);
    bool Fixing(TSearchResultInterface& item, const String& text);
    void RemovalDelayed(TSearchResultInterface& item, const String& text);
    void ObjectScanned();

    // The scanners' side files live here; it ends with a backslash unless
    // none was given.
    const String& DataFolder() const { return dataFolder_; }
    // A side file of the data folder; "" (no file) when the engine has none,
    // never a name the current folder would resolve.
    String SideFileName(const String& name) const { return dataFolder_.empty() ? String() : dataFolder_ + name; }

    const String& Text(int id) const { return texts_.Text(id); }
    // A text formatted with its arguments; a translation whose specifiers
    // don't fit falls back to the English text.
    String FormatText(int id, FormatArgs args) const;
    std::uint32_t Step() const { return step_; }

    // The definitions database. Loads are all-or-nothing: a load that fails
    // leaves the definitions and descriptions held before it.
    bool LoadDatabase(const String& path) { return LoadDatabaseStatus(path) == TDatabaseLoad::Loaded; }
    TDatabaseLoad LoadDatabaseStatus(const String& path);
    TDatabaseLoad LoadDatabaseFrom(TStream& file, const String& descriptionsPath);
    // Writes a temporary file renamed over the old one; false leaves the old
    // file as it was.
    bool SaveDatabase(const String& path);
    bool SaveDatabaseTo(TStream& file);
    // Adds one definition to its scanner and to the end of the file; a
    // failed append leaves the file as it was.
    bool AppendDefinition(const String& path, const String& text);
    // In memory only; the file changes at the next save.
    bool AddDefinition(const String& text);
    void DeleteDefinition(const String& text);
    // What users are shown as the number of known definitions.
    std::uint32_t DefinitionCount() const;

private:
    // The scanner of a definition text's tag and the text's name part.
    TSearchInterface* SplitDefinition(const String& text, String& name) const;

    TSearchTexts texts_;
    String dataFolder_;
    std::map<String, TSearchInterface*> scannerByTag_;  // walked in tag order
    std::vector<std::unique_ptr<TSearchInterface>> scanners_;
    // Lower-cased path -> the items accepted under it.
    std::map<String, std::vector<TSearchResultInterface*>> found_;
    std::uint32_t step_ = 0;
};

// "spyware.db" in a data folder.
String DatabaseFileName(const String& dataFolder);
// The descriptions file beside a database.
inline String DescriptionsFileName(const String& databasePath) { return databasePath + ".descr"; }
