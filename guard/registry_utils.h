// Snapshots of registry guards: taking them from the registry, their files
// ("snapshoots\" + the guard id in 8 hex digits + ".snap" in the data
// folder), and writing stored values back.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/registry.h"
#include "guard/freeze_list.h"
#include "guard/registry_snapshot.h"

HKEY RootKeyHandle(std::uint32_t root);
std::uint32_t RootKeyOfGuard(const TSingleFreeze* guard);  // null: HKEY_CURRENT_CONFIG
// The root abbreviation and the key path, "HKCU\Software\Test".
String GuardKeyText(const TSingleFreeze& guard);

String GetSnapshotFileName(const TSingleFreeze* guard, const String& dataFolder);
bool SnapshotExists(const TSingleFreeze& guard, const String& dataFolder);
// Takes the snapshot by the guard's kind and writes its file (a temporary
// file renamed over the old one). A value guard's missing value is created
// as an empty string first. Answers whether the file was written.
bool TakeGuardSnapshot(TRegistryShapshoot& snapshot, const TSingleFreeze& guard, const String& dataFolder);
// Reads the guard's file into `snapshot`; true only when it was read whole.
bool LoadGuardSnapshot(TRegistryShapshoot& snapshot, const TSingleFreeze& guard, const String& dataFolder);

// The value `name` of the open key as a snapshot record.
std::unique_ptr<TSnapshootValue> ReadSnapshotValue(const TRegistry& registry, const String& name);
// A value read by enumeration as a snapshot record.
std::unique_ptr<TSnapshootValue> SnapshotValueFromRaw(const TRegistry::TRawValue& raw);
// Writes a stored value back by its stored type; values of other types are
// never written (false).
bool WriteSnapshotValue(TRegistry& registry, const TSnapshootValue& value);
