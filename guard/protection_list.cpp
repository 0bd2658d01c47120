#include "guard/protection_list.h"

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "guard/common.h"
#include "guard/interface_translator.h"
#include "guard/postponed_log.h"

namespace {

String WithTrailingBackslash(const char* folder, UINT length)
{
    if (length == 0 || length >= MAX_PATH)
        return String();
    return IncludeTrailingPathDelimiter(String(folder, length));
}

}  // namespace

String TMachinePlaces::WindowsFolder() const
{
    char folder[MAX_PATH] = {};
    return WithTrailingBackslash(folder, GetWindowsDirectoryA(folder, MAX_PATH));
}

String TMachinePlaces::SystemFolder() const
{
    char folder[MAX_PATH] = {};
    return WithTrailingBackslash(folder, GetSystemDirectoryA(folder, MAX_PATH));
}

String TMachinePlaces::SpecialFolder(int csidl) const { return ShellFolderPath(csidl); }

TProtectionList::TProtectionList(const String& protectionFolder, HWND window, TAlertLauncher alerts)
    : TComponent(nullptr),
      window_(window),
      alerts_(std::move(alerts)),
      protectionFolder_(IncludeTrailingPathDelimiter(protectionFolder))
{
    winIniProvider_.AddWatch("windows", "load");
    winIniProvider_.AddWatch("windows", "run");
    systemIniProvider_.AddWatch("boot", "shell");
    systemIniProvider_.AddWatch("boot", "scrnsave.exe");
    systemIniProvider_.AddWatch("boot", "user.exe");
    systemIniProvider_.AddWatch("boot", "gdi.exe");
}

TProtectionList::~TProtectionList()
{
    StopAll();
    ClearProtections();
}

TFileProtection* TProtectionList::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return protections_[static_cast<size_t>(index)].get();
}

void TProtectionList::StartEnabled()
{
    for (const auto& protection : protections_) {
        if (protection->Enabled())
            protection->Start();
        else
            protection->Stop();
    }
}

void TProtectionList::StopAll()
{
    for (const auto& protection : protections_)
        protection->Stop();
}

void TProtectionList::ClearProtections() { protections_.clear(); }

IFileAction* TProtectionList::ProviderFor(std::uint8_t predefinedType, std::int32_t id)
{
    switch (predefinedType) {
    case ptFavorites:
        return &urlProvider_;
    case ptSystemFolder:
        return &shortcutProvider_;
    case ptSystemFile:
        if (const TSystemFile* file = FindSystemFile(id)) {
            switch (file->Provider) {
            case sfWinIni:
                return &winIniProvider_;
            case sfSystemIni:
                return &systemIniProvider_;
            case sfText:
                return &textProvider_;
            }
        }
        return &dummyProvider_;
    default:
        return &dummyProvider_;
    }
}

void TProtectionList::AddProtections(const std::vector<TProtectionRecord>& records)
{
    for (const TProtectionRecord& record : records) {
        auto protection = std::make_unique<TFileProtection>(ProviderFor(record.PredefinedType, record.Id), window_,
                                                            alerts_);
        protection->SetKind(record.Kind);
        protection->SetPath(PredefinedPath(record, places_));
        protection->SetListFile(record.ListFile);
        protection->SetDisplayName(record.DisplayName);
        protection->SetEnabled(record.Enabled);
        protection->SetWatchSubtree(record.WatchSubtree);
        protection->Predefined = record.Predefined;
        protection->PredefinedType = record.PredefinedType;
        protection->Id = record.Id;
        protections_.push_back(std::move(protection));
    }
}

std::vector<TProtectionRecord> TProtectionList::Records() const
{
    std::vector<TProtectionRecord> records;
    records.reserve(protections_.size());
    for (const auto& protection : protections_) {
        TProtectionRecord record;
        record.Kind = protection->Kind();
        record.Path = protection->Path();
        record.ListFile = protection->ListFile();
        record.DisplayName = protection->DisplayName();
        record.Enabled = protection->Enabled();
        record.WatchSubtree = protection->WatchSubtree();
        record.Predefined = protection->Predefined;
        record.PredefinedType = protection->PredefinedType;
        record.Id = protection->Id;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<TProtectionRecord> TProtectionList::MachineDefaults() const
{
    // A translator of its own: the main form's may not be registered yet.
    TInterfaceTranslator translator;
    translator.LoadFromFile(InterfaceFileName(GetProgramFolder()));
    return DefaultProtections(places_, protectionFolder_, translator);
}

void TProtectionList::CreateDefaults()
{
    ClearProtections();
    AddProtections(MachineDefaults());
}

void TProtectionList::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        "Protection", [this](TReader& reader) { ReadProtections(reader); },
        [this](TWriter& writer) { WriteProtections(writer); }, true);
}

void TProtectionList::ReadProtections(TReader& reader)
{
    ClearProtections();
    std::vector<TProtectionRecord> records;
    try {
        ReadProtectionRecords(reader, records);
    } catch (...) {
        AddProtections(records);  // those read whole before the damage
        throw;
    }
    AddProtections(records);
}

void TProtectionList::WriteProtections(TWriter& writer) const { WriteProtectionRecords(writer, Records()); }

void TProtectionList::SaveToFile(const String& fileName) { WriteComponentResFile(fileName, *this); }

TProtectionListLoad TProtectionList::LoadFromFile(const String& fileName)
{
    // Damage before the property leaves nothing of an earlier list behind.
    ClearProtections();
    if (!FileExists(fileName)) {
        CreateDefaults();
        return TProtectionListLoad::Defaults;
    }
    try {
        ReadComponentResFile(fileName, *this);
        return TProtectionListLoad::Loaded;
    } catch (const EFOpenError&) {
        CreateDefaults();
        PostponeLogLine(TranslateFormat(177, "The protection list %s can't be opened; it is left as it is, and the predefined protections are used until the program ends.",
                                        {fileName}),
                        llWarning);
        return TProtectionListLoad::Unreadable;
    } catch (const EStreamError&) {
        // Damaged: keep what was read and the file itself.
    }
    const unsigned read = static_cast<unsigned>(Count());
    std::vector<TProtectionRecord> added = Records();
    const int missing = AddMissingDefaults(added, MachineDefaults());
    added.erase(added.begin(), added.end() - missing);
    AddProtections(added);

    const String aside = KeepDamagedFile(fileName);
    if (aside.empty()) {
        PostponeLogLine(TranslateFormat(176, "The protection list %s is damaged: %u protections were read from it, and %u predefined protections were added. It could not be kept aside, so it is left as it is until the program ends.",
                                        {fileName, read, static_cast<unsigned>(missing)}),
                        llWarning);
        return TProtectionListLoad::Unreadable;
    }
    PostponeLogLine(TranslateFormat(175, "The protection list %s is damaged: %u protections were read from it, and %u predefined protections were added. The damaged file was kept as %s.",
                                    {fileName, read, static_cast<unsigned>(missing), aside}),
                    llWarning);
    return TProtectionListLoad::Damaged;
}
