#include "scanner/search.h"

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "guard/interface_translator.h"
#include "scanner/record_io.h"

namespace {

const char kDatabaseMagic[] = "SDF";

const std::map<int, String>& EnglishTexts()
{
    static const std::map<int, String> texts = {
        {kTextStep, "Step %u of %u. %s"},
        {kTextSearchKnownLocations, "Search spyware in known locations..."},
        {kTextFileDeletedAtRestart, "Unable to delete '%s' file! This file will be deleted after system reboot."},
        {kTextFileNotDeleted, "Unable to delete '%s' file! Error message: %s"},
        {kTextSearchRegistryKeys, "Search for spyware registry keys..."},
        {kTextKeyNotDeleted, "Unable to delete '%s' key from registry! Error message: %s"},
        {kTextProcessNotEnded, "Unable to kill '%s' process! Error message: %s"},
        {kTextSearchProcesses, "Search for spyware processes..."},
        {kTextSearchFiles, "Search for spyware files..."},
        {kTextSearchBrowserObjects, "Search for spyware BHO..."},
        {kTextValueNotDeleted, "Unable to delete '%s' value from registry! Error message: %s"},
        {kTextSearchHijacks, "Search for browser hijack attempts..."},
        {kTextHijackPatternMatch, "Possible Browser hijack attempt (pattern match)"},
        {kTextHijackNotBlank, "Possible Browser hijack attempt (not a blank value)"},
        {kTextValueNotFixed, "Unable to fix '%s' value in '%s'! Error message: %s"},
        {kTextSearchAutorun, "Search for autorun programs..."},
        {kTextNotQuarantined, "Unable to keep a quarantine copy of '%s'! It was not removed."},
    };
    return texts;
}

// Whether a new item repeats one accepted earlier under the same path.
bool IsDuplicate(const TSearchResultInterface& item, const TSearchResultInterface& held)
{
    switch (item.Kind) {
    case ikRegistryKey:
        return held.RootKey == item.RootKey;
    case ikRegistryValue:
    case ikAutorunValue:
        return held.RootKey == item.RootKey && SameText(held.Name, item.Name);
    default:
        return true;
    }
}

}  // namespace

TSearchTexts::TSearchTexts() : texts_(EnglishTexts()) {}

TSearchTexts::TSearchTexts(const TInterfaceTranslator& translator)
{
    for (const auto& [id, english] : EnglishTexts())
        texts_[id] = translator.Translate(IntToStr(id), english);
}

const String& TSearchTexts::Text(int id) const
{
    const auto found = texts_.find(id);
    return found != texts_.end() ? found->second : English(id);
}

const String& TSearchTexts::English(int id)
{
    static const String none;
    const auto found = EnglishTexts().find(id);
    return found != EnglishTexts().end() ? found->second : none;
}

TSearch::TSearch(const TSearchTexts& texts, const String& dataFolder)
    : texts_(texts), dataFolder_(dataFolder.empty() ? dataFolder : IncludeTrailingPathDelimiter(dataFolder))
{
}

TSearch::~TSearch()
{
    // Scanners free their own items; the maps only point at them.
    found_.clear();
    scannerByTag_.clear();
    scanners_.clear();
}

TSearchInterface* TSearch::ScannerOf(const String& tag) const
{
    const auto found = scannerByTag_.find(tag);
    return found != scannerByTag_.end() ? found->second : nullptr;
}

String TSearch::FormatText(int id, FormatArgs args) const { return ::FormatText(Text(id), TSearchTexts::English(id), args); }

// ---- runs

void TSearch::Search()
{
    found_.clear();
    step_ = 0;
    for (const auto& [tag, scanner] : scannerByTag_) {
        if (QueryCancel())
            break;
        ++step_;
        scanner->Search();
    }
    if (OnDone)
        OnDone();
}

void TSearch::RemoveChecked()
{
    found_.clear();
    for (const auto& [tag, scanner] : scannerByTag_) {
        if (QueryCancel())
            break;
        scanner->Fix();
    }
}

bool TSearch::QueryCancel()
{
    bool cancel = false;
    if (OnQueryCancel)
        OnQueryCancel(cancel);
    return cancel;
}

void TSearch::ReportStatus(const String& text, const String& path)
{
    if (OnStatus)
        OnStatus(FormatText(kTextStep, {step_, static_cast<unsigned>(scannerByTag_.size()), text}), path);
}

bool TSearch::AddFoundItem(TSearchResultInterface& item)
{
    std::vector<TSearchResultInterface*>& held = found_[LowerCase(item.Path)];
    for (const TSearchResultInterface* earlier : held)
        if (IsDuplicate(item, *earlier))
            return false;
    item.Described = HasDescription(item.Description) || HasDescription(item.Name);
    held.push_back(&item);
    if (OnFound)
        OnFound(item);
    return true;
}

void TSearch::Error(TSearchResultInterface& item, const String& text)
{
    if (OnError)
        OnError(item, text);
}

bool TSearch::Fixing(TSearchResultInterface& item, const String& text) { return !OnFixing || OnFixing(item, text); }

void TSearch::RemovalDelayed(TSearchResultInterface& item, const String& text)
{
    if (OnRemovalDelayed)
        OnRemovalDelayed(item, text);
}

void TSearch::ObjectScanned()
{
    if (OnObjectScanned)
        OnObjectScanned();
}

// ---- definitions database

TDatabaseLoad TSearch::LoadDatabaseStatus(const String& path)
{
    if (!FileExists(path)) {
        // Definitions appended after a failed load need a file to go to;
        // the next save writes it whole.
        CreateFileIfAbsent(path);
        return TDatabaseLoad::Missing;
    }
    try {
        TFileReadStream file(path);
        return LoadDatabaseFrom(file, DescriptionsFileName(path));
    } catch (const EFOpenError&) {
        return TDatabaseLoad::Unreadable;
    }
}

TDatabaseLoad TSearch::LoadDatabaseFrom(TStream& file, const String& descriptionsPath)
{
    char magic[kTagSize + 1] = {};
    if (file.Read(magic, kTagSize) != kTagSize || !SameText(magic, kDatabaseMagic))
        return file.Size() == 0 ? TDatabaseLoad::Empty : TDatabaseLoad::BadHeader;

    std::map<String, std::unique_ptr<TDefinitionStore>> loaded;
    for (const auto& [tag, scanner] : scannerByTag_)
        loaded[tag] = scanner->Definitions().NewEmpty();
    for (;;) {
        char tag[kTagSize + 1] = {};
        // The end, or a tail too short to be a tag.
        if (file.Read(tag, kTagSize) != kTagSize)
            break;
        const auto store = loaded.find(tag);
        // An unknown tag has no payload the engine could skip: the next
        // bytes are read as the next tag.
        if (store != loaded.end() && !store->second->LoadRecord(file))
            return TDatabaseLoad::Damaged;
    }

    TSpywareDescriptions descriptions;
    descriptions.LoadFromFile(descriptionsPath);
    static_cast<TSpywareDescriptions&>(*this) = std::move(descriptions);
    for (auto& [tag, store] : loaded)
        scannerByTag_[tag]->ReplaceDefinitions(std::move(store));
    return TDatabaseLoad::Loaded;
}

bool TSearch::SaveDatabaseTo(TStream& file)
{
    if (file.Write(kDatabaseMagic, kTagSize) != kTagSize)
        return false;
    for (const auto& [tag, scanner] : scannerByTag_)
        if (!scanner->SaveToFile(file))
            return false;
    return true;
}

bool TSearch::SaveDatabase(const String& path)
{
    TMemoryStream file;
    if (!SaveDatabaseTo(file))
        return false;
    try {
        file.SaveToFile(path);
        return true;
    } catch (const EFCreateError&) {
        return false;
    }
}

TSearchInterface* TSearch::SplitDefinition(const String& text, String& name) const
{
    // A tag, one separator character that isn't looked at, and the name.
    if (text.size() < kTagSize + 1)
        return nullptr;
    name = text.substr(kTagSize + 1);
    return ScannerOf(UpperCase(text.substr(0, kTagSize)));
}

bool TSearch::AppendDefinition(const String& path, const String& text)
{
    String name;
    TSearchInterface* scanner = SplitDefinition(text, name);
    if (!scanner)
        return false;
    try {
        TFileUpdateStream file(path);
        const std::int64_t end = file.Seek(0, TSeekOrigin::soEnd);
        // An empty file (left by a load that found none) gets its header
        // first, so a record never stands where the header belongs.
        const int held = scanner->Count();
        bool ok = end != 0 || file.Write(kDatabaseMagic, kTagSize) == kTagSize;
        ok = ok && scanner->AppendDefinition(file, name);
        // Held only when it is on the device, so memory and file agree.
        ok = ok && file.Flush();
        if (!ok) {
            file.SetPosition(end);
            file.Truncate();
            // What isn't in the file isn't held either.
            if (scanner->Count() > held)
                scanner->DeleteDefinition(scanner->Definitions().DeleteTextOf(name));
        }
        return ok;
    } catch (const EFOpenError&) {
        return false;
    }
}

bool TSearch::AddDefinition(const String& text)
{
    String name;
    TSearchInterface* scanner = SplitDefinition(text, name);
    TMemoryStream scratch;  // the record is written by the next save
    return scanner && scanner->AppendDefinition(scratch, name);
}

void TSearch::DeleteDefinition(const String& text)
{
    String name;
    if (TSearchInterface* scanner = SplitDefinition(text, name))
        scanner->DeleteDefinition(name);
}

std::uint32_t TSearch::DefinitionCount() const
{
    std::uint32_t sum = 0;
    for (const auto& [tag, scanner] : scannerByTag_)
        sum += static_cast<std::uint32_t>(scanner->Count());
    return sum * 3;
}

String DatabaseFileName(const String& dataFolder) { return IncludeTrailingPathDelimiter(dataFolder) + "spyware.db"; }
