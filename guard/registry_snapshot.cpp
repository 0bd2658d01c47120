#include "guard/registry_snapshot.h"

#include <cstring>

#include "classlib/exceptions.h"

namespace {

constexpr char kMagic[4] = {'V', 'Q', 'S', 'F'};

void PutU32(TStream& s, std::uint32_t v)
{
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    s.WriteBuffer(b, 4);
}

void PutText(TStream& s, const String& text)
{
    // The text up to an embedded NUL, then one NUL: what a reader finds.
    s.WriteBuffer(text.c_str(), std::strlen(text.c_str()) + 1);
}

// Reads from a stream and reports a short read as false, never raising.
class SnapshotReader {
public:
    explicit SnapshotReader(TStream& s) : s_(s) {}

    bool U32(std::uint32_t& v)
    {
        std::uint8_t b[4];
        if (s_.Read(b, 4) != 4)
            return false;
        v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
    // Bytes up to a NUL; with `keepNul` the NUL is kept in `out`.
    bool UpToNul(std::vector<std::uint8_t>& out, bool keepNul)
    {
        out.clear();
        std::uint8_t c;
        while (true) {
            if (s_.Read(&c, 1) != 1)
                return false;
            if (c == 0)
                break;
            out.push_back(c);
        }
        if (keepNul)
            out.push_back(0);
        return true;
    }
    bool Text(String& text)
    {
        std::vector<std::uint8_t> bytes;
        if (!UpToNul(bytes, false))
            return false;
        text.assign(bytes.begin(), bytes.end());
        return true;
    }
    bool Bytes(std::uint32_t count, std::vector<std::uint8_t>& out)
    {
        if (count > static_cast<std::uint64_t>(s_.Remaining()))
            return false;
        out.resize(count);
        return count == 0 || s_.Read(out.data(), count) == count;
    }

private:
    TStream& s_;
};

bool ReadValue(SnapshotReader& in, TSnapshootValue& value)
{
    std::uint32_t type = 0;
    if (!in.U32(type) || !in.Text(value.Name))
        return false;
    value.Type = static_cast<std::uint8_t>(type);
    switch (type) {
    case stString:
    case stExpandString: return in.UpToNul(value.Data, true);
    case stInteger: return in.Bytes(4, value.Data);
    case stBinary: {
        std::uint32_t count = 0;
        return in.U32(count) && in.Bytes(count, value.Data);
    }
    default:
        // Another registry type: stored without data.
        value.Type = stOther;
        return true;
    }
}

bool ReadKey(SnapshotReader& in, TRegistryShapshoot& key)
{
    std::uint32_t rootIndex = 0, values = 0;
    if (!in.U32(rootIndex) || !in.Text(key.Name) || !in.U32(values))
        return false;
    key.Root = RootFromSnapshotIndex(rootIndex);
    for (std::uint32_t v = 0; v < values; ++v) {
        auto value = std::make_unique<TSnapshootValue>();
        if (!ReadValue(in, *value))
            return false;
        key.AddValue(std::move(value));
    }
    return true;
}

}  // namespace

std::uint32_t SnapshotRootIndex(std::uint32_t root)
{
    switch (root) {
    case kRootClassesRoot: return 0;
    case kRootCurrentUser: return 1;
    case kRootLocalMachine: return 2;
    case kRootUsers: return 3;
    default: return 4;
    }
}

std::uint32_t RootFromSnapshotIndex(std::uint32_t index)
{
    static const std::uint32_t kRoots[] = {kRootClassesRoot, kRootCurrentUser, kRootLocalMachine, kRootUsers,
                                           kRootCurrentConfig};
    return index < 5 ? kRoots[index] : kRootCurrentConfig;
}

std::uint32_t RootKeyFromName(const String& name)
{
    if (name == "HKEY_CLASSES_ROOT")
        return kRootClassesRoot;
    if (name == "HKEY_CURRENT_USER")
        return kRootCurrentUser;
    if (name == "HKEY_LOCAL_MACHINE")
        return kRootLocalMachine;
    if (name == "HKEY_USERS")
        return kRootUsers;
    return kRootCurrentConfig;
}

String RootAbbreviation(std::uint32_t root)
{
    switch (root) {
    case kRootClassesRoot: return "HKCR\\";
    case kRootCurrentUser: return "HKCU\\";
    case kRootLocalMachine: return "HKLM\\";
    case kRootUsers: return "HKU\\";
    case kRootCurrentConfig: return "HKCC\\";
    default: return String();
    }
}

String TSnapshootValue::AsText() const
{
    size_t length = 0;
    while (length < Data.size() && Data[length] != 0)
        ++length;
    return String(Data.begin(), Data.begin() + static_cast<long>(length));
}

std::uint32_t TSnapshootValue::AsInteger() const
{
    std::uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < Data.size(); ++i)
        v |= static_cast<std::uint32_t>(Data[i]) << (8 * i);
    return v;
}

void TRegistryShapshoot::Clear()
{
    values_.clear();
    keys_.clear();
}

TRegistryShapshoot* TRegistryShapshoot::GetKey(int index)
{
    if (index == 0)
        return this;
    if (index < 0 || index > static_cast<int>(keys_.size()))
        return nullptr;
    return keys_[static_cast<size_t>(index - 1)].get();
}

const TRegistryShapshoot* TRegistryShapshoot::GetKey(int index) const
{
    return const_cast<TRegistryShapshoot*>(this)->GetKey(index);
}

TRegistryShapshoot* TRegistryShapshoot::AddKey(std::unique_ptr<TRegistryShapshoot> key)
{
    if (!key)
        return nullptr;
    keys_.push_back(std::move(key));
    return keys_.back().get();
}

const TSnapshootValue* TRegistryShapshoot::GetValue(int index) const
{
    if (index < 0 || index >= ValueCount())
        return nullptr;
    return values_[static_cast<size_t>(index)].get();
}

TSnapshootValue* TRegistryShapshoot::AddValue(std::unique_ptr<TSnapshootValue> value)
{
    if (!value)
        return nullptr;
    values_.push_back(std::move(value));
    return values_.back().get();
}

const TRegistryShapshoot* TRegistryShapshoot::FindKey(const String& name) const
{
    for (int i = 0; i < KeyCount(); ++i)
        if (GetKey(i)->Name == name)
            return GetKey(i);
    return nullptr;
}

const TSnapshootValue* TRegistryShapshoot::FindValue(const String& name) const
{
    for (const auto& v : values_)
        if (v->Name == name)
            return v.get();
    return nullptr;
}

void WriteSnapshot(const TRegistryShapshoot& snapshot, TStream& stream)
{
    stream.WriteBuffer(kMagic, sizeof kMagic);
    PutU32(stream, static_cast<std::uint32_t>(snapshot.KeyCount()));
    for (int k = 0; k < snapshot.KeyCount(); ++k) {
        const TRegistryShapshoot& key = *snapshot.GetKey(k);
        PutU32(stream, SnapshotRootIndex(key.Root));
        PutText(stream, key.Name);
        PutU32(stream, static_cast<std::uint32_t>(key.ValueCount()));
        for (int v = 0; v < key.ValueCount(); ++v) {
            const TSnapshootValue& value = *key.GetValue(v);
            PutU32(stream, value.Type);
            PutText(stream, value.Name);
            switch (value.Type) {
            case stString:
            case stExpandString: PutText(stream, value.AsText()); break;
            case stInteger: PutU32(stream, value.AsInteger()); break;
            case stBinary:
                PutU32(stream, static_cast<std::uint32_t>(value.Data.size()));
                stream.WriteBuffer(value.Data.data(), value.Data.size());
                break;
            default: break;
            }
        }
    }
}

bool ReadSnapshot(TRegistryShapshoot& snapshot, TStream& stream)
{
    const auto reset = [&snapshot] {
        snapshot.Clear();
        snapshot.Name.clear();
        snapshot.Root = kRootCurrentConfig;
    };
    reset();
    SnapshotReader in(stream);
    char magic[4] = {};
    if (stream.Read(magic, 4) != 4 || std::string(magic, 4) != std::string(kMagic, 4))
        return false;
    std::uint32_t keys = 0;
    if (!in.U32(keys) || keys == 0)
        return false;
    if (!ReadKey(in, snapshot)) {
        reset();  // the top record was cut: drop it whole
        return false;
    }
    for (std::uint32_t k = 1; k < keys; ++k) {
        auto key = std::make_unique<TRegistryShapshoot>();
        if (!ReadKey(in, *key))
            return false;
        snapshot.AddKey(std::move(key));
    }
    return true;
}
