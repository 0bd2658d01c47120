#include "scanner/quarantine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "classlib/format.h"
#include "guard/interface_translator.h"
#include "scanner/record_io.h"

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr std::uint64_t kLargestSource = 0xFFFFFFFFull;  // a payload size is 32 bits

// Copies `size` bytes from where `from` stands; false on a short transfer.
bool CopyBytes(TStream& from, std::uint64_t size, const std::function<bool(const void*, size_t)>& write)
{
    std::vector<std::uint8_t> chunk(kChunk);
    while (size > 0) {
        const size_t want = size < kChunk ? static_cast<size_t>(size) : kChunk;
        if (from.Read(chunk.data(), want) != want || !write(chunk.data(), want))
            return false;
        size -= want;
    }
    return true;
}

String BadName(const String& path) { return FreeFileName(path + ".bad"); }

}  // namespace

String QuarantineFileName(int year, int month, int day, int hour, int minute, int second)
{
    return Format("%.4d_%.2d_%.2d_%.2d_%.2d_%.2d.vqq", {year, month, day, hour, minute, second});
}

bool IsQuarantineFileName(const String& name)
{
    static const char kPattern[] = "dddd_dd_dd_dd_dd_dd";
    if (name.size() != sizeof kPattern - 1 + 4 || !SameText(name.substr(sizeof kPattern - 1), ".vqq"))
        return false;
    for (size_t i = 0; i + 1 < sizeof kPattern; ++i)
        if (kPattern[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(name[i])) : name[i] != '_')
            return false;
    return true;
}

TQuarantineRead ReadQuarantineRecords(TStream& file, std::vector<TQuarantineRecord>& records, std::int64_t& wholeEnd)
{
    records.clear();
    wholeEnd = 0;
    char magic[kQuarantineMagicSize];
    if (file.Read(magic, sizeof magic) != sizeof magic || std::memcmp(magic, kQuarantineMagic, sizeof magic) != 0)
        return TQuarantineRead::WrongMagic;
    wholeEnd = file.Position();
    while (file.Remaining() > 0) {
        TQuarantineRecord record;
        const std::int64_t offset = file.Position();
        std::uint32_t kind = 0, root = 0;
        // ReadRecordString checks the name's length against the bytes left.
        if (offset > UINT32_MAX || !ReadUInt32(file, record.PayloadSize) || !ReadRecordString(file, record.Name) ||
            !ReadUInt32(file, kind) || !ReadUInt32(file, root) || record.PayloadSize > file.Remaining())
            return TQuarantineRead::Damaged;
        file.Seek(record.PayloadSize, TSeekOrigin::soCurrent);
        record.Offset = static_cast<std::uint32_t>(offset);
        record.Kind = static_cast<std::uint8_t>(kind);
        record.RootKey = root;
        records.push_back(std::move(record));
        wholeEnd = file.Position();
    }
    return TQuarantineRead::Whole;
}

// ---- items

TQuarantineItem::TQuarantineItem(TQuarantine& owner, const TQuarantineRecord& record)
    : owner_(owner), name_(record.Name), payloadSize_(record.PayloadSize), kind_(record.Kind), rootKey_(record.RootKey)
{
}

bool TQuarantineItem::Restore() { return owner_.RestoreItem(this); }

void TQuarantineItem::Delete() { owner_.DeleteItem(this); }

// ---- one quarantine file

TQuarantine::TQuarantine(TQuarantineList* list, const String& path, TQuarantineRegistry& registry)
    : list_(list), path_(path), registry_(registry)
{
}

TQuarantineItem* TQuarantine::Item(int index) const
{
    return index >= 0 && index < Count() ? holders_[static_cast<size_t>(index)].item.get() : nullptr;
}

std::uint64_t TQuarantine::TotalSize() const
{
    std::uint64_t total = 0;
    for (const THolder& holder : holders_)
        total += holder.item->PayloadSize();
    return total;
}

const TQuarantine::THolder* TQuarantine::HolderOf(const TQuarantineItem* item) const
{
    for (const THolder& holder : holders_)
        if (holder.item.get() == item)
            return &holder;
    return nullptr;
}

TQuarantineItem* TQuarantine::Fail(const String& reason)
{
    lastError_ = reason;
    return nullptr;
}

TQuarantineLoad TQuarantine::Load()
{
    const TQuietFileErrors quiet;
    holders_.clear();
    std::vector<TQuarantineRecord> records;
    std::int64_t wholeEnd = 0;
    TQuarantineRead read;
    try {
        TFileReadStream file(path_);
        read = ReadQuarantineRecords(file, records, wholeEnd);
    } catch (const EFOpenError&) {
        return TQuarantineLoad::Unreadable;
    }
    if (read == TQuarantineRead::WrongMagic) {
        RenameFileOver(path_, BadName(path_));
        return TQuarantineLoad::SetAside;
    }
    if (read == TQuarantineRead::Damaged) {
        // Keep the damaged file whole beside it before the tail goes.
        const String copy = BadName(path_);
        if (copy.empty() || !CopyFileOver(path_, copy))
            return TQuarantineLoad::Unreadable;
        try {
            TFileUpdateStream file(path_);
            file.SetPosition(wholeEnd);
            if (!file.Truncate())
                return TQuarantineLoad::Unreadable;
        } catch (const EFOpenError&) {
            return TQuarantineLoad::Unreadable;
        }
    }
    for (const TQuarantineRecord& record : records)
        holders_.push_back({std::make_unique<TQuarantineItem>(*this, record), record.Offset});
    return holders_.empty() ? TQuarantineLoad::MagicOnly : TQuarantineLoad::Loaded;
}

TQuarantineItem* TQuarantine::AddItem(const TSearchResultInterface& item)
{
    switch (item.Kind) {
    case ikFile:
        return AppendRecord(item.Path, item, item.Path);
    case ikRegistryKey:
    case ikRegistryValue:
    case ikAutorunValue:
        return AddRegistryItem(item);
    default:
        return nullptr;  // a process has nothing to keep
    }
}

TQuarantineItem* TQuarantine::AppendRecord(const String& sourceFile, const TSearchResultInterface& item,
                                           const String& name)
{
    lastError_.clear();
    if (!FileExists(sourceFile))
        return Fail(TranslateFormat(148, "The file '%s' no longer exists.", {sourceFile}));
    std::unique_ptr<TFileReadStream> source;
    std::unique_ptr<TFileUpdateStream> file;
    try {
        source = std::make_unique<TFileReadStream>(sourceFile);
    } catch (const EFOpenError&) {
        return Fail(TranslateFormat(149, "The file '%s' can't be read.", {sourceFile}));
    }
    if (static_cast<std::uint64_t>(source->Size()) >= kLargestSource)
        return Fail(TranslateFormat(150, "The file '%s' is 4 GB or larger and can't be kept in the quarantine.",
                                    {sourceFile}));
    const String notWritten = TranslateFormat(151, "The quarantine file '%s' can't be written.", {path_});
    try {
        file = std::make_unique<TFileUpdateStream>(path_);
    } catch (const EFOpenError&) {
        return Fail(notWritten);
    }
    const std::int64_t start = file->Seek(0, TSeekOrigin::soEnd);
    const auto payload = static_cast<std::uint32_t>(source->Size());
    // The copy must be on the device before the caller removes the original:
    // a crash or power cut just after the removal must still find it. A
    // flush that fails is a failed append.
    const bool ok =
        start + static_cast<std::int64_t>(kRecordHeaderSize + name.size()) + payload <= INT64_C(0xFFFFFFFF) &&
        WriteUInt32(*file, payload) && WriteRecordString(*file, name) && WriteUInt32(*file, item.Kind) &&
        WriteUInt32(*file, item.RootKey) &&
        CopyBytes(*source, payload, [&](const void* data, size_t size) { return file->Write(data, size) == size; }) &&
        file->Flush();
    if (!ok) {
        // No half record stays: the file ends after its last whole one.
        file->SetPosition(start);
        file->Truncate();
        return Fail(notWritten);
    }
    TQuarantineRecord record{static_cast<std::uint32_t>(start), payload, name, item.Kind, item.RootKey};
    holders_.push_back({std::make_unique<TQuarantineItem>(*this, record), record.Offset});
    return holders_.back().item.get();
}

TQuarantineItem* TQuarantine::AddRegistryItem(const TSearchResultInterface& item)
{
    const TQuietFileErrors quiet;
    lastError_.clear();
    const bool value = item.Kind == ikRegistryValue || item.Kind == ikAutorunValue;
    // A value's record is named by its key and the value's name.
    const String recordName = value ? item.Path + " = \"" + item.Name + "\"" : item.Path;
    const String temporary = FreeFileName(path_ + ".tmp");
    if (temporary.empty() ||
        !registry_.Export(item.RootKey, item.Path, value ? std::optional<String>(item.Name) : std::nullopt, temporary)) {
        RemoveFile(temporary);
        return Fail(TranslateFormat(152, "The registry item '%s' can't be exported.",
                                    {RootKeyPrefix(item.RootKey) + recordName}));
    }
    TQuarantineItem* added = AppendRecord(temporary, item, recordName);
    RemoveFile(temporary);
    return added;
}

bool TQuarantine::DeleteItem(TQuarantineItem* item)
{
    const TQuietFileErrors quiet;
    const auto found = std::find_if(holders_.begin(), holders_.end(),
                                    [&](const THolder& holder) { return holder.item.get() == item; });
    if (found == holders_.end())
        return false;
    const std::uint64_t recordSize = kRecordHeaderSize + item->Name().size() + item->PayloadSize();
    {
        TAtomicFileWriter rebuilt(path_);
        try {
            TFileReadStream file(path_);
            const auto write = [&](const void* data, size_t size) { return rebuilt.Write(data, size); };
            const std::uint64_t after = static_cast<std::uint64_t>(file.Size()) - found->offset - recordSize;
            if (!rebuilt.IsOpen() || static_cast<std::uint64_t>(file.Size()) < found->offset + recordSize ||
                !CopyBytes(file, found->offset, write))
                return false;
            file.Seek(static_cast<std::int64_t>(recordSize), TSeekOrigin::soCurrent);
            if (!CopyBytes(file, after, write))
                return false;
        } catch (const EFOpenError&) {
            return false;
        }
        if (!rebuilt.Commit())
            return false;
    }
    for (auto later = found + 1; later != holders_.end(); ++later)
        later->offset -= static_cast<std::uint32_t>(recordSize);
    holders_.erase(found);
    return true;
}

bool TQuarantine::CopyPayloadTo(const THolder& holder, const String& target)
{
    try {
        TFileReadStream file(path_);
        file.SetPosition(static_cast<std::int64_t>(holder.offset) + kRecordHeaderSize + holder.item->Name().size());
        if (file.Remaining() < holder.item->PayloadSize())
            return false;
        TAtomicFileWriter writer(target);
        return writer.IsOpen() &&
               CopyBytes(file, holder.item->PayloadSize(),
                         [&](const void* data, size_t size) { return writer.Write(data, size); }) &&
               writer.Commit();
    } catch (const EFOpenError&) {
        return false;
    }
}

bool TQuarantine::RestoreItem(const TQuarantineItem* item)
{
    const TQuietFileErrors quiet;
    const THolder* holder = HolderOf(item);
    if (!holder)
        return false;
    if (item->Kind() == ikFile) {
        const String& target = item->Name();
        ForceDirectories(ExtractFilePath(target));
        if (FileExists(target))
            MakeFileWritable(target);
        return CopyPayloadTo(*holder, target);
    }
    const String temporary = FreeFileName(path_ + ".tmp");
    const bool restored = !temporary.empty() && CopyPayloadTo(*holder, temporary) && registry_.Import(temporary);
    RemoveFile(temporary);
    return restored;
}

bool TQuarantine::RestoreAll()
{
    for (const THolder& holder : holders_)
        if (!RestoreItem(holder.item.get()))
            return false;
    return true;
}

void TQuarantine::Delete()
{
    if (list_)
        list_->DeleteQuarantine(this);
}

// ---- the folder

void TQuarantineList::LoadFolder(const String& folder)
{
    const TQuietFileErrors quiet;
    items_.clear();
    std::vector<String> names = FilesInFolder(folder);
    std::sort(names.begin(), names.end());
    for (const String& name : names) {
        if (!IsQuarantineFileName(name))
            continue;
        auto quarantine = std::make_unique<TQuarantine>(this, IncludeTrailingPathDelimiter(folder) + name, registry_);
        switch (quarantine->Load()) {
        case TQuarantineLoad::Loaded:
            items_.push_back(std::move(quarantine));
            break;
        case TQuarantineLoad::MagicOnly:
            RemoveFile(quarantine->Path());  // a run that kept nothing
            break;
        default:
            break;  // left where it is, or set aside
        }
    }
}

TQuarantine* TQuarantineList::CreateQuarantine(const String& path)
{
    const TQuietFileErrors quiet;
    // Never write over a file that is there: it may hold a run's items.
    if (FileExists(path) || !WriteFileAtomically(path, kQuarantineMagic, kQuarantineMagicSize))
        return nullptr;
    auto quarantine = std::make_unique<TQuarantine>(this, path, registry_);
    const TQuarantineLoad load = quarantine->Load();
    if (load != TQuarantineLoad::MagicOnly && load != TQuarantineLoad::Loaded) {
        RemoveFile(path);
        return nullptr;
    }
    items_.push_back(std::move(quarantine));
    return items_.back().get();
}

void TQuarantineList::DeleteQuarantine(TQuarantine* quarantine)
{
    const TQuietFileErrors quiet;
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [&](const std::unique_ptr<TQuarantine>& held) { return held.get() == quarantine; });
    if (found == items_.end())
        return;
    RemoveFile((*found)->Path());
    items_.erase(found);
}

TQuarantine* TQuarantineList::Item(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
}
