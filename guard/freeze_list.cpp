#include "guard/freeze_list.h"

#include <algorithm>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "guard/crc32.h"
#include "guard/interface_translator.h"
#include "guard/postponed_log.h"

std::uint32_t GuardIdFromGuid(const String& guidText) { return ComputeCRC32(guidText.data(), guidText.size()); }

TSingleFreeze* TFreezeList::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

TSingleFreeze* TFreezeList::Add(std::unique_ptr<TSingleFreeze> record)
{
    if (!record)
        return nullptr;
    if (Contains(record.get()))
        return record.release();  // held already: one owner, one entry
    items_.push_back(std::move(record));
    return items_.back().get();
}

bool TFreezeList::Contains(const TSingleFreeze* record) const
{
    return record && std::any_of(items_.begin(), items_.end(), [record](const auto& p) { return p.get() == record; });
}

void TFreezeList::Delete(int index)
{
    if (index >= 0 && index < Count())
        items_.erase(items_.begin() + index);
}

void TFreezeList::Remove(const TSingleFreeze* record)
{
    const auto at = std::find_if(items_.begin(), items_.end(), [record](const auto& p) { return p.get() == record; });
    if (at != items_.end())
        items_.erase(at);
}

TSingleFreeze* TFreezeList::AddGuardCopy(const TSingleFreeze& source)
{
    return Add(std::make_unique<TSingleFreeze>(source));
}

void TFreezeList::SaveToFile(const String& fileName) { WriteComponentResFile(fileName, *this); }

void TFreezeList::LoadFromFile(const String& fileName)
{
    if (FileExists(fileName))
        ReadComponentResFile(fileName, *this);
}

void TFreezeList::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        "Item", [this](TReader& reader) { ReadItems(reader); }, [this](TWriter& writer) { WriteItems(writer); },
        true);
}

void TFreezeList::ReadItems(TReader& reader)
{
    Clear();
    const std::int32_t count = reader.ReadInteger();
    for (std::int32_t i = 0; i < count; ++i) {
        auto guard = std::make_unique<TSingleFreeze>();
        guard->State = static_cast<std::uint8_t>(reader.ReadInteger());
        guard->AutoUpdate = reader.ReadBoolean();
        guard->RootKeyName = reader.ReadString();
        guard->KeyPath = reader.ReadString();
        guard->ValueName = reader.ReadString();
        guard->DisplayName = reader.ReadString();
        guard->Comment = reader.ReadString();
        guard->Kind = static_cast<std::uint8_t>(reader.ReadInteger());
        guard->Reaction = static_cast<std::uint8_t>(reader.ReadInteger());
        guard->GuidText = reader.ReadString();
        // Stored signed by us; other writers store ids of 2^31 and more as 64-bit values.
        const std::int64_t id = reader.ReadInt64();
        if (id < INT32_MIN || id > static_cast<std::int64_t>(UINT32_MAX))
            throw EReadError("Invalid property value");
        guard->Id = static_cast<std::uint32_t>(id);
        Add(std::move(guard));
    }
}

void TFreezeList::WriteItems(TWriter& writer) const
{
    writer.WriteInteger(Count());
    for (const auto& guard : items_) {
        writer.WriteInteger(guard->State);
        writer.WriteBoolean(guard->AutoUpdate);
        writer.WriteString(guard->RootKeyName);
        writer.WriteString(guard->KeyPath);
        writer.WriteString(guard->ValueName);
        writer.WriteString(guard->DisplayName);
        writer.WriteString(guard->Comment);
        writer.WriteInteger(guard->Kind);
        writer.WriteInteger(guard->Reaction);
        writer.WriteString(guard->GuidText);
        writer.WriteInteger(static_cast<std::int32_t>(guard->Id));
    }
}

TFreezeListLoad LoadFreezeListKeepingDamage(TFreezeList& list, const String& fileName)
{
    try {
        list.LoadFromFile(fileName);
        return TFreezeListLoad::Loaded;
    } catch (const EFOpenError&) {
        PostponeLogLine(TranslateFormat(145, "The guard list %s can't be opened; it is left as it is.", {fileName}),
                        llWarning);
        return TFreezeListLoad::Unreadable;
    } catch (const EStreamError&) {
        // Damaged: keep what was read and the file itself.
    }
    const String aside = KeepDamagedFile(fileName);
    const unsigned read = static_cast<unsigned>(list.Count());
    if (aside.empty()) {
        PostponeLogLine(TranslateFormat(140, "The guard list %s is damaged: %u guards were read from it. It could not be kept aside, so it is left as it is.",
                                        {fileName, read}),
                        llWarning);
        return TFreezeListLoad::Unreadable;
    }
    PostponeLogLine(TranslateFormat(139, "The guard list %s is damaged: %u guards were read from it. The damaged file was kept as %s.",
                                    {fileName, read, aside}),
                    llWarning);
    return TFreezeListLoad::Damaged;
}
