// Opening a program or document through the shell (ShellExecuteEx), behind a
// seam: the pages that start the registry editor, the browser or the help
// file go through the current opener, which a test replaces with one that
// records the request instead of running it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "classlib/sysutils.h"
#include "classlib/win_handle.h"

struct TShellOpenRequest {
    String verb;        // "open", or "" for the file's default verb
    String file;
    String parameters;  // "" for none
    int show = SW_SHOWNORMAL;
    // The caller wants the started process (SEE_MASK_NOCLOSEPROCESS).
    bool wantProcess = false;
};

struct TShellOpenResult {
    bool started = false;
    // The started process when asked for and the shell started one; closed
    // with the result.
    TUniqueHandle process;
};

class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    virtual TShellOpenResult Open(const TShellOpenRequest& request) = 0;
};

// The shell itself. Never shows the shell's error box: a caller that cannot
// start something decides whether to say so.
class TSystemShellOpener : public IShellOpener {
public:
    TShellOpenResult Open(const TShellOpenRequest& request) override;
};

// Keeps the requests and starts nothing; answers "not started".
class TRecordingShellOpener : public IShellOpener {
public:
    TShellOpenResult Open(const TShellOpenRequest& request) override;
    const std::vector<TShellOpenRequest>& Requests() const { return requests_; }

private:
    std::vector<TShellOpenRequest> requests_;
};

// The opener in use: the system's unless a TScopedShellOpener replaced it.
IShellOpener& CurrentShellOpener();

// Puts `opener` in place for its own lifetime (GUI thread only).
class TScopedShellOpener {
public:
    explicit TScopedShellOpener(IShellOpener& opener);
    ~TScopedShellOpener();
    TScopedShellOpener(const TScopedShellOpener&) = delete;
    TScopedShellOpener& operator=(const TScopedShellOpener&) = delete;

private:
    IShellOpener* previous_;
};
