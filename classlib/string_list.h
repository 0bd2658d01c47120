// A list of 8-bit strings with the class library's string-list semantics:
// optionally sorted, duplicates ignored/accepted/refused, case-insensitive by
// default, name=value lines split at the first "=", and an integer object per
// line. Text loads split at CR, LF or CRLF and stop at a NUL; saves use CRLF.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/streams.h"
#include "classlib/sysutils.h"

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
public:
    TStringList() = default;

    int Count() const { return static_cast<int>(items_.size()); }
    const String& Strings(int index) const;
    const String& operator[](int index) const { return Strings(index); }
    void SetString(int index, const String& s);  // refused on a sorted list
    std::intptr_t Objects(int index) const;
    void SetObject(int index, std::intptr_t object);

    // Returns the index of the new line; on a sorted list a duplicate that is
    // ignored returns the index of the line already held.
    int Add(const String& s) { return AddObject(s, 0); }
    int AddObject(const String& s, std::intptr_t object);
    void Insert(int index, const String& s);  // refused on a sorted list
    void Delete(int index);
    void Clear() { items_.clear(); }

    int IndexOf(const String& s) const;
    // Binary search on a sorted list: true and the index when found, else the
    // index where `s` would be inserted.
    bool Find(const String& s, int& index) const;

    // name=value access; a line without "=" has an empty name and value.
    int IndexOfName(const String& name) const;
    String Names(int index) const;
    String ValueFromIndex(int index) const;
    String Values(const String& name) const;
    // Sets name=value; an empty value removes the line.
    void SetValue(const String& name, const String& value);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);
    void Sort();

    String Text() const;  // every line followed by CRLF
    void SetText(const String& text);

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const String& fileName);  // raises EFOpenError
    void SaveToFile(const String& fileName) const;  // temporary file renamed over; raises EFCreateError

private:
    struct Item {
        String text;
        std::intptr_t object = 0;
    };

    int Compare(const String& a, const String& b) const;
    void CheckIndex(int index) const;

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};
