// Display names of found items: the side files files.names.binding and
// bho.names.binding, lines of a name, "=" and the name users are shown.
// Lines end at CR, LF or CR LF and a NUL ends the text; a line without "="
// names nothing, and of two lines with one name (in any letter case) the
// first wins. A missing or unreadable file knows no names.
#pragma once

#include <map>

#include "classlib/sysutils.h"

class TNamesBinding {
public:
    // Replaces what was held; false (and nothing held) when the file can't
    // be read.
    bool LoadFromFile(const String& fileName);
    void LoadFromText(const String& text);

    // The display name bound to `name` (any letter case); "" when none.
    String DisplayNameOf(const String& name) const;
    // The display name, or `fallback` when none is bound or it is empty.
    String DisplayNameOr(const String& name, const String& fallback) const;
    int Count() const { return static_cast<int>(names_.size()); }

private:
    struct TIgnoringCase {
        bool operator()(const String& a, const String& b) const { return CompareText(a, b) < 0; }
    };
    std::map<String, String, TIgnoringCase> names_;
};
