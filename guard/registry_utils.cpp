#include "guard/registry_utils.h"

#include <algorithm>

#include "classlib/file_system.h"

namespace {

void TakeKeySnapshot(TRegistryShapshoot& top, TRegistryShapshoot& record, std::uint32_t root, const String& path)
{
    record.Root = root;
    record.Name = path + "\\";
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(root));
    if (!registry.OpenKeyReadOnly(record.Name))
        return;
    std::vector<String> names;
    if (registry.GetKeyNames(names)) {
        for (const String& name : names) {
            TRegistryShapshoot* child = top.AddKey(std::make_unique<TRegistryShapshoot>());
            TakeKeySnapshot(top, *child, root, path + "\\" + name);
        }
    }
    std::vector<TRegistry::TRawValue> values;
    if (registry.GetValues(values))
        for (const TRegistry::TRawValue& raw : values)
            record.AddValue(SnapshotValueFromRaw(raw));
}

void TakeValueSnapshot(TRegistryShapshoot& top, const TSingleFreeze& guard)
{
    top.Root = RootKeyOfGuard(&guard);
    top.Name = guard.KeyPath;
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(top.Root));
    if (!registry.OpenKey(guard.KeyPath, true))
        return;
    if (!registry.ValueExists(guard.ValueName))
        registry.WriteString(guard.ValueName, String());
    if (registry.ValueExists(guard.ValueName))
        top.AddValue(ReadSnapshotValue(registry, guard.ValueName));
}

}  // namespace

HKEY RootKeyHandle(std::uint32_t root)
{
    switch (root) {
    case kRootClassesRoot: return HKEY_CLASSES_ROOT;
    case kRootCurrentUser: return HKEY_CURRENT_USER;
    case kRootLocalMachine: return HKEY_LOCAL_MACHINE;
    case kRootUsers: return HKEY_USERS;
    default: return HKEY_CURRENT_CONFIG;
    }
}

std::uint32_t RootKeyOfGuard(const TSingleFreeze* guard)
{
    return guard ? RootKeyFromName(guard->RootKeyName) : kRootCurrentConfig;
}

String GuardKeyText(const TSingleFreeze& guard) { return RootAbbreviation(RootKeyOfGuard(&guard)) + guard.KeyPath; }

String GetSnapshotFileName(const TSingleFreeze* guard, const String& dataFolder)
{
    if (!guard)
        return String();
    return dataFolder + "snapshoots\\" + IntToHex(guard->Id, 8) + ".snap";
}

bool SnapshotExists(const TSingleFreeze& guard, const String& dataFolder)
{
    return FileExists(GetSnapshotFileName(&guard, dataFolder));
}

bool TakeGuardSnapshot(TRegistryShapshoot& snapshot, const TSingleFreeze& guard, const String& dataFolder)
{
    snapshot.Clear();
    if (guard.Kind == gkKey)
        TakeKeySnapshot(snapshot, snapshot, RootKeyOfGuard(&guard), guard.KeyPath);
    else
        TakeValueSnapshot(snapshot, guard);
    TMemoryStream stream;
    WriteSnapshot(snapshot, stream);
    const auto& bytes = stream.Bytes();
    return WriteFileAtomically(GetSnapshotFileName(&guard, dataFolder), bytes.data(), bytes.size());
}

bool LoadGuardSnapshot(TRegistryShapshoot& snapshot, const TSingleFreeze& guard, const String& dataFolder)
{
    snapshot.Clear();
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(GetSnapshotFileName(&guard, dataFolder), bytes))
        return false;
    TMemoryStream stream(std::move(bytes));
    return ReadSnapshot(snapshot, stream);
}

std::unique_ptr<TSnapshootValue> ReadSnapshotValue(const TRegistry& registry, const String& name)
{
    TRegistry::TRawValue raw;
    raw.name = name;
    registry.ReadRaw(name, raw.type, raw.data);
    return SnapshotValueFromRaw(raw);
}

std::unique_ptr<TSnapshootValue> SnapshotValueFromRaw(const TRegistry::TRawValue& raw)
{
    auto value = std::make_unique<TSnapshootValue>();
    value->Name = raw.name;
    switch (raw.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        value->Type = raw.type == REG_SZ ? stString : stExpandString;
        // The text up to its first NUL, then one NUL, whatever was stored.
        const auto end = std::find(raw.data.begin(), raw.data.end(), std::uint8_t{0});
        value->Data.assign(raw.data.begin(), end);
        value->Data.push_back(0);
        break;
    }
    case REG_DWORD:
        value->Type = stInteger;
        value->Data = raw.data;
        value->Data.resize(4, 0);  // fewer bytes read as zero-filled
        break;
    case REG_BINARY:
        value->Type = stBinary;
        value->Data = raw.data;
        break;
    default: value->Type = stOther; break;
    }
    return value;
}

bool WriteSnapshotValue(TRegistry& registry, const TSnapshootValue& value)
{
    switch (value.Type) {
    case stString: return registry.WriteString(value.Name, value.AsText());
    case stExpandString: return registry.WriteExpandString(value.Name, value.AsText());
    case stInteger: return registry.WriteInteger(value.Name, value.AsInteger());
    case stBinary: return registry.WriteBinaryData(value.Name, value.Data.data(), value.Data.size());
    default: return false;
    }
}
