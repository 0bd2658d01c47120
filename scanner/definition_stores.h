// What each scanner keeps of the definitions database: one store per record
// tag, with the record operations the engine drives (load one record, save
// all, append one definition at the file's position, delete one in memory).
// Stores are free of Win32 so the database can be read natively and fuzzed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "classlib/streams.h"
#include "classlib/sysutils.h"

class TDefinitionStore {
public:
    explicit TDefinitionStore(const String& tag) : tag_(tag) {}
    virtual ~TDefinitionStore() = default;
    TDefinitionStore(const TDefinitionStore&) = delete;
    TDefinitionStore& operator=(const TDefinitionStore&) = delete;

    const String& Tag() const { return tag_; }

    // Every definition as one record (tag, then payload); false at the first
    // failed write.
    virtual bool SaveToFile(TStream& file) const = 0;
    // One payload (the engine has read the tag); false when it can't be read.
    virtual bool LoadRecord(TStream& file) = 0;
    // Parses a definition text, writes tag and payload at the file's position
    // and keeps the definition; what a definition already held answers
    // differs per store. Refused definitions answer false and write nothing.
    virtual bool AppendDefinition(TStream& file, const String& text) = 0;
    // In memory only; the file changes at the next save.
    virtual void DeleteDefinition(const String& text) = 0;
    virtual int Count() const = 0;
    virtual void Clear() = 0;
    // The text DeleteDefinition takes for a definition text AppendDefinition
    // was given.
    virtual String DeleteTextOf(const String& appended) const { return appended; }
    // An empty store of the same kind, for loads that replace a store whole.
    virtual std::unique_ptr<TDefinitionStore> NewEmpty() const = 0;

private:
    String tag_;
};

// The store that belongs to a record tag ("0BH", "APR", "BHO", "FIL",
// "KEY", "KLF", "RUN"); null for any other tag.
std::unique_ptr<TDefinitionStore> NewDefinitionStore(const String& tag);

// "0BH": the hijack scanner keeps no records; every operation succeeds.
class TNoDefinitions : public TDefinitionStore {
public:
    TNoDefinitions() : TDefinitionStore("0BH") {}
    bool SaveToFile(TStream&) const override { return true; }
    bool LoadRecord(TStream&) override { return true; }
    bool AppendDefinition(TStream&, const String&) override { return true; }
    void DeleteDefinition(const String&) override {}
    int Count() const override { return 0; }
    void Clear() override {}
    std::unique_ptr<TDefinitionStore> NewEmpty() const override { return std::make_unique<TNoDefinitions>(); }
};

// "KLF" and "FIL": a lower-case key (a location or a bare file name) with
// its description key, ordered byte by byte; a key loaded again replaces the
// description key it had.
class TKeyedDefinitions : public TDefinitionStore {
public:
    using TStore = std::map<String, String>;

    explicit TKeyedDefinitions(const String& tag) : TDefinitionStore(tag) {}
    bool SaveToFile(TStream& file) const override;
    bool LoadRecord(TStream& file) override;
    // "key=description key"; no "=" answers false; a key held answers true.
    bool AppendDefinition(TStream& file, const String& text) override;
    void DeleteDefinition(const String& text) override { entries_.erase(LowerCase(text)); }
    String DeleteTextOf(const String& appended) const override { return appended.substr(0, appended.find('=')); }
    int Count() const override { return static_cast<int>(entries_.size()); }
    void Clear() override { entries_.clear(); }
    std::unique_ptr<TDefinitionStore> NewEmpty() const override
    {
        return std::make_unique<TKeyedDefinitions>(Tag());
    }

    const TStore& Entries() const { return entries_; }

private:
    TStore entries_;
};

// "KEY": key definitions in the order they were loaded and appended, each
// "key path=description key" with the root's index 0-6.
class TRegKeyDefinitions : public TDefinitionStore {
public:
    struct TEntry {
        String Text;  // key path, "=", description key
        std::uint32_t RootIndex = 0;
    };

    TRegKeyDefinitions() : TDefinitionStore("KEY") {}
    bool SaveToFile(TStream& file) const override;
    // Keeps a record whatever root index it holds; IsSearchable tells.
    bool LoadRecord(TStream& file) override;
    // "LONG_ROOT_NAME=key path=description key". An unknown root, an empty
    // key path or a key that must never be deleted answers false; a key held
    // under the same root (any letter case) answers true.
    bool AppendDefinition(TStream& file, const String& text) override;
    // "LONG_ROOT_NAME=key path": the first entry of that key under that root.
    void DeleteDefinition(const String& text) override;
    String DeleteTextOf(const String& appended) const override;
    int Count() const override { return static_cast<int>(entries_.size()); }
    void Clear() override { entries_.clear(); }
    std::unique_ptr<TDefinitionStore> NewEmpty() const override { return std::make_unique<TRegKeyDefinitions>(); }

    const std::vector<TEntry>& Entries() const { return entries_; }
    static String KeyPathOf(const TEntry& entry);
    // A root index in the table and a key that may be deleted.
    static bool IsSearchable(const TEntry& entry);
    // The description key of the first entry holding the key path (any case).
    String DescriptionFor(const String& keyPath) const;

private:
    int IndexOf(std::uint32_t rootIndex, const String& keyPath) const;

    std::vector<TEntry> entries_;
};

// "APR", "RUN" and "BHO": names kept sorted without regard to letter case,
// a name held once. The three differ in small rules, given at construction.
class TNameDefinitions : public TDefinitionStore {
public:
    struct TRules {
        bool LowerOnLoad;       // loaded names are lower-cased (else kept as stored)
        bool WriteAsGiven;      // appended text written unchanged (else lower-cased)
        bool HeldAnswer;        // what appending a name already held answers
        bool (*Refuses)(const String& name);  // null: nothing refused
    };

    TNameDefinitions(const String& tag, const TRules& rules) : TDefinitionStore(tag), rules_(rules) {}
    bool SaveToFile(TStream& file) const override;
    bool LoadRecord(TStream& file) override;
    bool AppendDefinition(TStream& file, const String& text) override;
    void DeleteDefinition(const String& text) override { names_.erase(LowerCase(text)); }
    int Count() const override { return static_cast<int>(names_.size()); }
    void Clear() override { names_.clear(); }
    std::unique_ptr<TDefinitionStore> NewEmpty() const override
    {
        return std::make_unique<TNameDefinitions>(Tag(), rules_);
    }

    bool Holds(const String& name) const { return names_.count(name) != 0; }

    struct TIgnoringCase {
        bool operator()(const String& a, const String& b) const { return CompareText(a, b) < 0; }
    };
    using TNames = std::set<String, TIgnoringCase>;
    const TNames& Names() const { return names_; }

private:
    TRules rules_;
    TNames names_;
};
