// Scanners for the engine's tests: each has the real definition store of its
// tag; its search hands over scripted items and its fix follows a script of
// outcomes, so the engine can be driven without touching the machine.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "scanner/search.h"

namespace test_support {

enum class TFixOutcome { Removed, Failed, Delayed };

struct TScriptedItem {
    TScriptedItem(std::uint8_t kind, TRootKey root, const String& path, const String& name,
                  const String& description = "", TFixOutcome outcome = TFixOutcome::Removed)
        : kind(kind), root(root), path(path), name(name), description(description), outcome(outcome)
    {
    }

    std::uint8_t kind;
    TRootKey root;
    String path;
    String name;
    String description;
    TFixOutcome outcome;
};

class TScriptedScanner : public TSearchInterface {
public:
    TScriptedScanner(TSearch& engine, const String& tag) : TSearchInterface(engine, tag) {}

    std::vector<TScriptedItem> items;  // what the next search finds
    int searches = 0;
    int fixes = 0;

    static String OutcomeText(TFixOutcome outcome)
    {
        return outcome == TFixOutcome::Failed ? "fails" : outcome == TFixOutcome::Delayed ? "delayed" : "removed";
    }

    void Search() override
    {
        ++searches;
        ClearResults();
        ReportStatus("scanning " + Tag(), "");
        for (const TScriptedItem& scripted : items) {
            ObjectScanned();
            auto item = std::make_unique<TSearchResultInterface>();
            item->Kind = scripted.kind;
            item->RootKey = scripted.root;
            item->Path = scripted.path;
            item->Name = scripted.name;
            item->Description = scripted.description;
            item->Data = OutcomeText(scripted.outcome);  // what the fix does with it
            AddItem(std::move(item));
        }
    }

    void Fix() override
    {
        ++fixes;
        for (int i = 0; i < ResultCount(); ++i) {
            TSearchResultInterface& item = *Result(i);
            if (!item.Checked || !NotifyFixing(item, item.Path))
                continue;
            if (item.Data == OutcomeText(TFixOutcome::Failed)) {
                NotifyError(item, "failed " + item.Path);
                continue;
            }
            if (item.Data == OutcomeText(TFixOutcome::Delayed))
                NotifyRemovalDelayed(item, "at restart " + item.Path);
            FreeResult(i);
        }
        PackResults();
    }
};

// A device whose writes the system can't flush through to a disk: Linux
// refuses to sync /dev/null, Windows (and Wine) to flush the NUL device. An
// append to it goes out of stdio whole and must still fail.
#ifdef _WIN32
inline const char kUnflushableDevice[] = "NUL";
#else
inline const char kUnflushableDevice[] = "/dev/null";
#endif

// A found item as a scanner would hand it over.
inline TSearchResultInterface FoundItem(std::uint8_t kind, const String& path, const String& name = "",
                                        TRootKey root = kNoRootKey)
{
    TSearchResultInterface item;
    item.Kind = kind;
    item.Path = path;
    item.Name = name;
    item.RootKey = root;
    return item;
}

// An engine with a scripted scanner for each of the seven tags, made in the
// order the program makes its own.
struct TScriptedEngine {
    TSearch engine{TSearchTexts()};
    std::map<String, TScriptedScanner*> scanners;

    TScriptedEngine()
    {
        for (const char* tag : {"APR", "0BH", "KEY", "RUN", "BHO", "FIL", "KLF"})
            scanners[tag] = &engine.AddScanner<TScriptedScanner>(tag);
    }
    TScriptedScanner& operator[](const String& tag) { return *scanners.at(tag); }
};

}  // namespace test_support
