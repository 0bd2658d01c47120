// A snapshot: the stored, trusted state of what a registry guard watches. A
// key snapshot holds the guard's key (the top record) and, in its flat key
// list, every key below it in depth-first pre-order; a value snapshot holds
// one record with the one value. Snapshots are written as ".snap" files
// ("VQSF", then the key records with their values).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/streams.h"
#include "classlib/sysutils.h"

// Root keys as their 32-bit handle values.
constexpr std::uint32_t kRootClassesRoot = 0x80000000u;
constexpr std::uint32_t kRootCurrentUser = 0x80000001u;
constexpr std::uint32_t kRootLocalMachine = 0x80000002u;
constexpr std::uint32_t kRootUsers = 0x80000003u;
constexpr std::uint32_t kRootCurrentConfig = 0x80000005u;

// 0 HKEY_CLASSES_ROOT, 1 HKEY_CURRENT_USER, 2 HKEY_LOCAL_MACHINE, 3 HKEY_USERS, 4 any other.
std::uint32_t SnapshotRootIndex(std::uint32_t root);
std::uint32_t RootFromSnapshotIndex(std::uint32_t index);  // anything unknown: HKEY_CURRENT_CONFIG
// "HKEY_LOCAL_MACHINE" and its siblings, matched exactly; any other name,
// "HKEY_CURRENT_CONFIG" included, gives HKEY_CURRENT_CONFIG.
std::uint32_t RootKeyFromName(const String& name);
// "HKCR\", "HKCU\", "HKLM\", "HKU\", "HKCC\", or "" for another root.
String RootAbbreviation(std::uint32_t root);

// The class library's data-type codes as stored in a snapshot.
enum TSnapshotType : std::uint8_t { stOther = 0, stString = 1, stExpandString = 2, stInteger = 3, stBinary = 4 };

struct TSnapshootValue {
    std::uint8_t Type = stOther;
    // Strings: the text's bytes and one NUL; integers: 4 bytes little-endian;
    // binary: the bytes; other types: nothing.
    std::vector<std::uint8_t> Data;
    String Name;

    String AsText() const;           // up to the first NUL
    std::uint32_t AsInteger() const;  // the first four bytes, zero-filled
};

class TRegistryShapshoot {
public:
    std::uint32_t Root = kRootCurrentConfig;
    String Name;

    void Clear();
    int KeyCount() const { return static_cast<int>(keys_.size()) + 1; }
    // 0 is this record, i >= 1 the flat list's entry i - 1.
    TRegistryShapshoot* GetKey(int index);
    const TRegistryShapshoot* GetKey(int index) const;
    TRegistryShapshoot* AddKey(std::unique_ptr<TRegistryShapshoot> key);
    int ValueCount() const { return static_cast<int>(values_.size()); }
    const TSnapshootValue* GetValue(int index) const;
    TSnapshootValue* AddValue(std::unique_ptr<TSnapshootValue> value);
    // Exact, case-sensitive names; FindKey searches this record first.
    const TRegistryShapshoot* FindKey(const String& name) const;
    const TSnapshootValue* FindValue(const String& name) const;

private:
    std::vector<std::unique_ptr<TSnapshootValue>> values_;
    std::vector<std::unique_ptr<TRegistryShapshoot>> keys_;
};

void WriteSnapshot(const TRegistryShapshoot& snapshot, TStream& stream);
// Empties `snapshot` (name and root too), then reads it. Answers true only when the whole stream
// was read: on a foreign magic nothing is kept; on a short read the records
// completed so far stay and the one being read is dropped. Every length is
// checked against the bytes left before anything is allocated.
bool ReadSnapshot(TRegistryShapshoot& snapshot, TStream& stream);
