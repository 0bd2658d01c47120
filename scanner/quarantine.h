// The quarantine: one file per removal run in the data folder's
// "quarantine" folder, each found item one record in it (a file's bytes, or
// the REGEDIT4 export of a key or value), so that it can be restored. These
// files hold the only copy of what was removed: nothing here deletes one it
// could not read, a damaged file is copied aside before it is cut back to its
// last whole record, and records are removed by rebuilding the file through a
// temporary file. Free of Win32: the registry side comes from the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "classlib/streams.h"
#include "classlib/sysutils.h"
#include "scanner/root_keys.h"
#include "scanner/search_interface.h"

constexpr char kQuarantineMagic[] = "VQQF";
constexpr size_t kQuarantineMagicSize = 4;
constexpr size_t kRecordHeaderSize = 16;  // payload size, name length, kind, root

// "yyyy_mm_dd_hh_nn_ss.vqq" for a local date and time.
String QuarantineFileName(int year, int month, int day, int hour, int minute, int second);
// A name of that form (the extension in any case).
bool IsQuarantineFileName(const String& name);

// Where each record stands, as a reader finds them.
struct TQuarantineRecord {
    std::uint32_t Offset = 0;
    std::uint32_t PayloadSize = 0;
    String Name;
    std::uint8_t Kind = 0;
    TRootKey RootKey = kNoRootKey;
};

enum class TQuarantineRead {
    Whole,       // every byte belongs to a record
    WrongMagic,  // not a quarantine file
    Damaged,     // a record runs past the end; `wholeEnd` is where the last whole record ends
};

// Reads the records of a quarantine file, checking every length against the
// bytes left before it is used.
TQuarantineRead ReadQuarantineRecords(TStream& file, std::vector<TQuarantineRecord>& records,
                                      std::int64_t& wholeEnd);

// What quarantining a registry item and restoring it need of the registry.
class TQuarantineRegistry {
public:
    virtual ~TQuarantineRegistry() = default;
    // A REGEDIT4 file with its header: the key with its subkeys, or one value.
    virtual bool Export(TRootKey root, const String& keyPath, const std::optional<String>& valueName,
                        const String& fileName) = 0;
    virtual bool Import(const String& fileName) = 0;
};

class TQuarantine;
class TQuarantineList;

class TQuarantineItem {
public:
    TQuarantineItem(TQuarantine& owner, const TQuarantineRecord& record);

    TQuarantine& Owner() const { return owner_; }
    const String& Name() const { return name_; }
    std::uint32_t PayloadSize() const { return payloadSize_; }
    std::uint8_t Kind() const { return kind_; }
    TRootKey RootKey() const { return rootKey_; }

    bool Restore();
    void Delete();

private:
    TQuarantine& owner_;
    String name_;
    std::uint32_t payloadSize_;
    std::uint8_t kind_;
    TRootKey rootKey_;
};

enum class TQuarantineLoad {
    Loaded,      // every record read (a damaged file is loaded after it was cut back)
    MagicOnly,   // a quarantine file without records
    Unreadable,  // could not be opened: left as it is
    SetAside,    // not a quarantine file: renamed to ".bad" and left alone
};

class TQuarantine {
public:
    TQuarantine(TQuarantineList* list, const String& path, TQuarantineRegistry& registry);

    const String& Path() const { return path_; }
    TQuarantineLoad Load();
    int Count() const { return static_cast<int>(holders_.size()); }
    TQuarantineItem* Item(int index) const;
    std::uint64_t TotalSize() const;

    // The record is on the device (flushed through the system's cache) when
    // an item is answered; null (and the reason in LastError) when the item
    // couldn't be stored, the file then as it was. Processes are never
    // stored.
    TQuarantineItem* AddItem(const TSearchResultInterface& item);
    TQuarantineItem* AppendRecord(const String& sourceFile, const TSearchResultInterface& item, const String& name);
    TQuarantineItem* AddRegistryItem(const TSearchResultInterface& item);
    // The record leaves the file, which is rebuilt through a temporary file;
    // when that fails nothing changes and false is answered.
    bool DeleteItem(TQuarantineItem* item);
    bool RestoreItem(const TQuarantineItem* item);
    // Each item in file order; false at the first that fails.
    bool RestoreAll();
    // Removes the file through the owning list.
    void Delete();

    const String& LastError() const { return lastError_; }

private:
    friend class TQuarantineList;

    struct THolder {
        std::unique_ptr<TQuarantineItem> item;
        std::uint32_t offset;
    };

    const THolder* HolderOf(const TQuarantineItem* item) const;
    TQuarantineItem* Fail(const String& reason);
    bool CopyPayloadTo(const THolder& holder, const String& target);

    TQuarantineList* list_;
    String path_;
    TQuarantineRegistry& registry_;
    std::vector<THolder> holders_;
    String lastError_;
};

class TQuarantineList {
public:
    explicit TQuarantineList(TQuarantineRegistry& registry) : registry_(registry) {}

    // Loads the quarantine files of a folder. Files named otherwise are not
    // looked at; one holding only the magic is removed.
    void LoadFolder(const String& folder);
    // A new quarantine file (magic only); null when it can't be written.
    TQuarantine* CreateQuarantine(const String& path);
    void DeleteQuarantine(TQuarantine* quarantine);
    int Count() const { return static_cast<int>(items_.size()); }
    TQuarantine* Item(int index) const;

private:
    TQuarantineRegistry& registry_;
    std::vector<std::unique_ptr<TQuarantine>> items_;
};
