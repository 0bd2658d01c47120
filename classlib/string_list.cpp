#include "classlib/string_list.h"

#include <algorithm>

#include "classlib/exceptions.h"

const String& TStringList::Strings(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].text;
}

void TStringList::SetString(int index, const String& s)
{
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index);
    items_[static_cast<size_t>(index)].text = s;
}

std::intptr_t TStringList::Objects(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::SetObject(int index, std::intptr_t object)
{
    CheckIndex(index);
    items_[static_cast<size_t>(index)].object = object;
}

int TStringList::AddObject(const String& s, std::intptr_t object)
{
    int index = Count();
    if (sorted_) {
        if (Find(s, index)) {
            if (duplicates_ == TDuplicates::dupIgnore)
                return index;
            if (duplicates_ == TDuplicates::dupError)
                throw EStringListError("String list does not allow duplicates");
        }
    }
    items_.insert(items_.begin() + index, Item{s, object});
    return index;
}

void TStringList::Insert(int index, const String& s)
{
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    items_.insert(items_.begin() + index, Item{s, 0});
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const String& s) const
{
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[static_cast<size_t>(i)].text, s) == 0)
            return i;
    return -1;
}

bool TStringList::Find(const String& s, int& index) const
{
    // Lower bound, so that among equal lines the first one is found.
    int low = 0;
    int high = Count();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (Compare(items_[static_cast<size_t>(mid)].text, s) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    index = low;
    return low < Count() && Compare(items_[static_cast<size_t>(low)].text, s) == 0;
}

int TStringList::IndexOfName(const String& name) const
{
    if (name.find('=') != String::npos)
        return -1;  // a name ends at its line's first "="
    const String prefix = name + "=";
    const auto hasPrefix = [&](const String& line) {
        return line.size() >= prefix.size() && Compare(line.substr(0, prefix.size()), prefix) == 0;
    };
    if (sorted_) {
        // Lines that share a prefix stand together in a sorted list; the
        // first of them is the one a scan from the top would find.
        int index;
        Find(prefix, index);
        return index < Count() && hasPrefix(items_[static_cast<size_t>(index)].text) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (hasPrefix(items_[static_cast<size_t>(i)].text))
            return i;
    return -1;
}

String TStringList::Names(int index) const
{
    const String& line = Strings(index);
    const size_t eq = line.find('=');
    return eq == String::npos ? String() : line.substr(0, eq);
}

String TStringList::ValueFromIndex(int index) const
{
    const String& line = Strings(index);
    const size_t eq = line.find('=');
    return eq == String::npos ? String() : line.substr(eq + 1);
}

String TStringList::Values(const String& name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? String() : ValueFromIndex(index);
}

void TStringList::SetValue(const String& name, const String& value)
{
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    if (index < 0) {
        Add(name + "=" + value);
    } else if (sorted_) {
        Delete(index);
        Add(name + "=" + value);
    } else {
        items_[static_cast<size_t>(index)].text = name + "=" + value;
    }
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !sorted_)
        Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive)
{
    caseSensitive_ = caseSensitive;
    if (sorted_)
        Sort();
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
}

String TStringList::Text() const
{
    String text;
    for (const Item& item : items_) {
        text += item.text;
        text += "\r\n";
    }
    return text;
}

void TStringList::SetText(const String& text)
{
    Clear();
    size_t i = 0;
    const size_t end = std::min(text.size(), text.find('\0'));
    while (i < end) {
        size_t j = i;
        while (j < end && text[j] != '\r' && text[j] != '\n')
            ++j;
        Add(text.substr(i, j - i));
        if (j < end && text[j] == '\r')
            ++j;
        if (j < end && text[j] == '\n')
            ++j;
        i = j;
    }
}

void TStringList::LoadFromStream(TStream& stream)
{
    const std::int64_t left = stream.Remaining();
    String text(static_cast<size_t>(left), '\0');
    stream.ReadBuffer(text.data(), text.size());
    SetText(text);
}

void TStringList::SaveToStream(TStream& stream) const
{
    const String text = Text();
    stream.WriteBuffer(text.data(), text.size());
}

void TStringList::LoadFromFile(const String& fileName)
{
    TFileReadStream stream(fileName);
    LoadFromStream(stream);
}

void TStringList::SaveToFile(const String& fileName) const
{
    TMemoryStream stream;
    SaveToStream(stream);
    stream.SaveToFile(fileName);
}

int TStringList::Compare(const String& a, const String& b) const
{
    return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}
