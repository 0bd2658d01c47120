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
    // first. False: the change is taken without a question. Never raises
    // (see DescribeOrAskPlainly).
    virtual bool Describe(const String& path, const String& copyPath, String& text) = 0;
};

// A provider's work in `body` (which fills `text` and gives the answer). An
// error inside it (a file that can't be read, memory running out) must not
// end the protection's thread nor let the change pass unseen: the change is
// then asked without detail.
template <class Body>
bool DescribeOrAskPlainly(String& text, Body&& body) noexcept
{
    try {
        text.clear();
        return body();
    } catch (...) {
        text.clear();
        return true;
    }
}

// Protections of the user's own: every change is asked, with no detail.
class TDummyInfo : public IFileAction {
public:
    bool Describe(const String& path, const String& copyPath, String& text) override;
};

// The value `valueName` in section [`section`] of ini-file lines, "" when absent.
// Header, value name and value are trimmed of blanks, and names compare
// ignoring letter case, as the system's own ini reading has it. The first
// occurrence inside a section counts; a later section of the same name that
// holds the value wins.
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
