#include "guard/registry_utils.h"

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
    if (registry.GetValueNames(names))
        for (const String& name : names)
            record.AddValue(ReadSnapshotValue(registry, name));
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
    auto value = std::make_unique<TSnapshootValue>();
    value->Name = name;
    value->Type = registry.GetDataType(name);
    switch (value->Type) {
    case stString:
    case stExpandString: {
        String text;
        registry.ReadString(name, text);
        value->Data.assign(text.begin(), text.end());
        value->Data.push_back(0);
        break;
    }
    case stInteger: {
        std::uint32_t v = 0;
        registry.ReadInteger(name, v);
        value->Data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        break;
    }
    case stBinary: registry.ReadBinaryData(name, value->Data); break;
    default: break;
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
