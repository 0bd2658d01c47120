// Change-description providers: a file protection that has found a change
// asks its provider whether the change is worth a question and for a text
// that is appended to the alert message as it stands (so every text starts
// with its own line breaks). The protection list owns one of each and the
// protections only borrow them.
#pragma once

#include "classlib/string_list.h"
#include "classlib/sysutils.h"

class IFileAction {
public:
    virtual ~IFileAction() = default;
    // `path` is the changed item as it is now, `copyPath` the stored copy of a
    // guarded file (for a folder item the item itself). `text` is cleared
    // first. False: the change is taken without a question.
    virtual bool Describe(const String& path, const String& copyPath, String& text) = 0;
};

// Protections of the user's own: every change is asked, with no detail.
class TDummyInfo : public IFileAction {
public:
    bool Describe(const String& path, const String& copyPath, String& text) override;
};

// The value `valueName` in section [`section`] of ini-file lines, "" when absent.
// The section header is matched on the line as it stands (lower-cased, not
// trimmed); the lines inside are trimmed. A later section of the same name that
// holds the value wins. Section and value name are given in lower case.
String GetIniValue(const TStringList& lines, const String& section, const String& valueName);

// win.ini and system.ini: only the watched values count.
class TIniFileInformation : public IFileAction {
public:
    // Watches `valueName` in section [`section`] (both in lower case).
    void AddWatch(const String& section, const String& valueName);
    bool Describe(const String& path, const String& copyPath, String& text) override;

private:
    TStringList watches_;  // value name + "=" + section
};

// Plain text files (hosts, autoexec.bat, ...): lines added, deleted or changed
// in letter case only, compared trimmed and ignoring order and empty lines.
class TTextFilesInformation : public IFileAction {
public:
    bool Describe(const String& path, const String& copyPath, String& text) override;
};
