// Browser settings set to pages other than the expected ones (0BH). The
// scanner keeps no database records; it works from three side files of the
// data folder: hijack.places (the values that decide the browser's pages,
// with the text each should hold), hijack.patterns (regular expressions
// that mark a value as hijacked) and good.hosts (values the user approved,
// each also a regular expression). A suspicious value is reported, and
// fixed by writing the expected text back.
#pragma once

#include "classlib/string_list.h"
#include "classlib/sysutils.h"
#include "scanner/hijack_patterns.h"
#include "scanner/search_interface.h"

class TBrowserHijackSearch : public TSearchInterface {
public:
    // Loads each side file that is there.
    explicit TBrowserHijackSearch(TSearch& engine);

    void Search() override;
    void Fix() override;
    // The pattern lines, so the definition count users see includes them.
    int Count() const override { return patterns_.Count(); }

    // The value's data of any type up to its first zero byte, read whole;
    // false (and "") when the key or the value can't be read.
    static bool ReadRegistryString(TRootKey root, const String& keyPath, const String& valueName, String& text);
    // An approved value: a good.hosts line equal to it without regard to
    // case, or one whose regular expression matches it.
    bool IsGoodHost(const String& text);

private:
    TStringList patterns_;
    TStringList places_;
    TStringList goodHosts_;
    String patternsPath_;
    String placesPath_;
    String goodHostsPath_;
    // Compiled at every search and kept; the hijack patterns are compiled
    // for one search only.
    THijackPatterns compiledGoodHosts_;
};
