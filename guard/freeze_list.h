// Registry guards and the user's guard list, stored as "freeze.list" in the
// data folder (a component resource file whose one defined property "Item"
// holds the guards).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/component_stream.h"
#include "classlib/sysutils.h"

enum TGuardState : std::uint8_t { gsActive = 0, gsNotActive = 1, gsDisabled = 2 };
enum TGuardKind : std::uint8_t { gkKey = 0, gkValue = 1 };
enum TGuardReaction : std::uint8_t { grRevoke = 0, grAsk = 1 };

// One guard: what to watch and how to react. The id is the CRC-32 of the
// GUID text and names the guard's snapshot, its questions and its messages.
struct TSingleFreeze {
    std::uint8_t State = gsActive;
    bool AutoUpdate = false;
    String RootKeyName;
    String KeyPath;
    String ValueName;
    String DisplayName;
    String Comment;
    std::uint8_t Kind = gkKey;
    std::uint8_t Reaction = grRevoke;
    String GuidText;
    std::uint32_t Id = 0;

    bool operator==(const TSingleFreeze&) const = default;
};

// The id of a guard with this GUID text.
std::uint32_t GuardIdFromGuid(const String& guidText);

class TFreezeList : public TComponent {
public:
    explicit TFreezeList(TComponent* owner = nullptr) : TComponent(owner) {}

    String ClassName() const override { return "TFreezeList"; }

    int Count() const { return static_cast<int>(items_.size()); }
    TSingleFreeze* GetItem(int index) const;
    // Takes the record; a null record is ignored, and a record the list
    // already holds stays one entry. Returns the stored record.
    TSingleFreeze* Add(std::unique_ptr<TSingleFreeze> record);
    bool Contains(const TSingleFreeze* record) const;
    void Delete(int index);
    void Remove(const TSingleFreeze* record);
    void Clear() { items_.clear(); }
    // A deep copy of `source` appended to this list (the monitor's own list).
    TSingleFreeze* AddGuardCopy(const TSingleFreeze& source);

    // WriteComponentResFile: a temporary file renamed over the old one;
    // raises EFCreateError when it can't be written.
    void SaveToFile(const String& fileName);
    // Nothing when the file doesn't exist; raises EReadError on a damaged
    // file, keeping the guards read before the damage.
    void LoadFromFile(const String& fileName);

    void DefineProperties(TFiler& filer) override;

private:
    void ReadItems(TReader& reader);
    void WriteItems(TWriter& writer) const;

    std::vector<std::unique_ptr<TSingleFreeze>> items_;
};

enum class TFreezeListLoad {
    Loaded,      // read whole, or there was no file
    Damaged,     // the guards before the damage were read; the file is kept aside
    Unreadable,  // the file is still in place: it must not be saved over
};

// Loads "freeze.list" so that damage never stops the program and never loses
// the file: the guards read before the damage stay in the list, the damaged
// file is moved aside as freeze.list.bad (or .bad.1, ...) before anything can
// overwrite it, and a warning line is postponed for the events log. A file
// that can't be opened, or that can't be moved aside, is left in place and
// answered Unreadable, so that the caller doesn't save over it.
TFreezeListLoad LoadFreezeListKeepingDamage(TFreezeList& list, const String& fileName);
