#include "scanner/definition_stores.h"

#include "scanner/record_io.h"
#include "scanner/removal_safety.h"
#include "scanner/root_keys.h"

namespace {

// Tag and payload strings written one after the other; false at the first
// failed write.
bool WriteRecord(TStream& file, const String& tag, std::initializer_list<const String*> strings)
{
    if (!WriteTag(file, tag))
        return false;
    for (const String* s : strings)
        if (!WriteRecordString(file, *s))
            return false;
    return true;
}

bool RefusesProcessName(const String& name) { return IsProtectedProcessName(name); }
bool RefusesClassId(const String& id) { return !IsClassIdForm(id); }

}  // namespace

std::unique_ptr<TDefinitionStore> NewDefinitionStore(const String& tag)
{
    if (tag == "0BH")
        return std::make_unique<TNoDefinitions>();
    if (tag == "APR")
        return std::make_unique<TNameDefinitions>(tag, TNameDefinitions::TRules{false, false, false, RefusesProcessName});
    if (tag == "RUN")
        return std::make_unique<TNameDefinitions>(tag, TNameDefinitions::TRules{true, false, false, nullptr});
    if (tag == "BHO")
        return std::make_unique<TNameDefinitions>(tag, TNameDefinitions::TRules{true, true, true, RefusesClassId});
    if (tag == "FIL" || tag == "KLF")
        return std::make_unique<TKeyedDefinitions>(tag);
    if (tag == "KEY")
        return std::make_unique<TRegKeyDefinitions>();
    return nullptr;
}

// ---- KLF, FIL

bool TKeyedDefinitions::SaveToFile(TStream& file) const
{
    for (const auto& [key, description] : entries_)
        if (!WriteRecord(file, Tag(), {&key, &description}))
            return false;
    return true;
}

bool TKeyedDefinitions::LoadRecord(TStream& file)
{
    String key, description;
    if (!ReadRecordString(file, key) || !ReadRecordString(file, description))
        return false;
    entries_[LowerCase(key)] = std::move(description);
    return true;
}

bool TKeyedDefinitions::AppendDefinition(TStream& file, const String& text)
{
    const auto separator = text.find('=');
    if (separator == String::npos)
        return false;
    const String key = LowerCase(text.substr(0, separator));
    const String description = text.substr(separator + 1);
    if (entries_.count(key) != 0)
        return true;
    if (!WriteRecord(file, Tag(), {&key, &description}))
        return false;
    entries_.emplace(key, description);
    return true;
}

// ---- KEY

String TRegKeyDefinitions::KeyPathOf(const TEntry& entry) { return entry.Text.substr(0, entry.Text.find('=')); }

bool TRegKeyDefinitions::IsSearchable(const TEntry& entry)
{
    return entry.RootIndex < static_cast<std::uint32_t>(kRootKeyCount) &&
           !IsProtectedRegistryKey(static_cast<int>(entry.RootIndex), KeyPathOf(entry));
}

int TRegKeyDefinitions::IndexOf(std::uint32_t rootIndex, const String& keyPath) const
{
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].RootIndex == rootIndex && SameText(KeyPathOf(entries_[i]), keyPath))
            return static_cast<int>(i);
    return -1;
}

String TRegKeyDefinitions::DescriptionFor(const String& keyPath) const
{
    for (const TEntry& entry : entries_)
        if (SameText(KeyPathOf(entry), keyPath)) {
            const auto separator = entry.Text.find('=');
            return separator == String::npos ? String() : entry.Text.substr(separator + 1);
        }
    return String();
}

bool TRegKeyDefinitions::SaveToFile(TStream& file) const
{
    for (const TEntry& entry : entries_)
        if (!WriteTag(file, Tag()) || !WriteUInt32(file, entry.RootIndex) || !WriteRecordString(file, entry.Text))
            return false;
    return true;
}

bool TRegKeyDefinitions::LoadRecord(TStream& file)
{
    TEntry entry;
    if (!ReadUInt32(file, entry.RootIndex) || !ReadRecordString(file, entry.Text))
        return false;
    entries_.push_back(std::move(entry));
    return true;
}

bool TRegKeyDefinitions::AppendDefinition(TStream& file, const String& text)
{
    const auto separator = text.find('=');
    if (separator == String::npos)
        return false;
    const int rootIndex = RootKeyIndex(UpperCase(text.substr(0, separator)));
    const String rest = text.substr(separator + 1);
    const String keyPath = rest.substr(0, rest.find('='));
    // A record with an unknown root could never be searched: refuse it
    // rather than keep it in the file.
    if (Trim(keyPath).empty() || rootIndex < 0 || IsProtectedRegistryKey(rootIndex, keyPath))
        return false;
    const auto index = static_cast<std::uint32_t>(rootIndex);
    if (IndexOf(index, keyPath) >= 0)
        return true;
    if (!WriteTag(file, Tag()) || !WriteUInt32(file, index) || !WriteRecordString(file, rest))
        return false;
    entries_.push_back({rest, index});
    return true;
}

void TRegKeyDefinitions::DeleteDefinition(const String& text)
{
    const auto separator = text.find('=');
    if (separator == String::npos)
        return;
    const int rootIndex = RootKeyIndex(UpperCase(text.substr(0, separator)));
    const String rest = text.substr(separator + 1);
    // An unknown root name is index -1, which only a damaged record holds:
    // such a record can still be deleted.
    const int index = IndexOf(static_cast<std::uint32_t>(rootIndex), rest);
    if (index >= 0)
        entries_.erase(entries_.begin() + index);
}

String TRegKeyDefinitions::DeleteTextOf(const String& appended) const
{
    // "ROOT=path=description" -> "ROOT=path"
    const auto first = appended.find('=');
    if (first == String::npos)
        return appended;
    return appended.substr(0, appended.find('=', first + 1));
}

// ---- APR, RUN, BHO

bool TNameDefinitions::SaveToFile(TStream& file) const
{
    for (const String& name : names_)
        if (!WriteRecord(file, Tag(), {&name}))
            return false;
    return true;
}

bool TNameDefinitions::LoadRecord(TStream& file)
{
    String name;
    if (!ReadRecordString(file, name))
        return false;
    names_.insert(rules_.LowerOnLoad ? LowerCase(name) : name);
    return true;
}

bool TNameDefinitions::AppendDefinition(TStream& file, const String& text)
{
    const String name = LowerCase(text);
    if (rules_.Refuses && rules_.Refuses(text))
        return false;
    if (Holds(name))
        return rules_.HeldAnswer;
    const String& written = rules_.WriteAsGiven ? text : name;
    if (!WriteRecord(file, Tag(), {&written}))
        return false;
    names_.insert(name);
    return true;
}
