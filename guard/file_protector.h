// A file protection: one guarded file or folder, watched by a thread of its
// own against a baseline (the entry list, and for a file a stored copy of its
// last accepted content). Each change found is asked through the alert
// program by an alert thread of its own, which then keeps or undoes it on the
// disk; the watcher updates the baseline from the answer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "classlib/format.h"
#include "classlib/sysutils.h"
#include "classlib/win_handle.h"
#include "guard/additional_info_interface.h"
#include "guard/alert_launcher.h"
#include "guard/protection_entries.h"
#include "guard/protection_store.h"

// Thread messages from an alert thread to its watcher.
constexpr UINT WM_ALERT_THREAD_DONE = 1034;  // wParam the alert thread's id
constexpr UINT WM_PROTECTION_ANSWER = 1035;  // wParam the alert thread's id, lParam a TAlertOutcome

// What an alert thread reports of its question.
enum TAlertOutcome : LPARAM {
    aoRejected = 0,    // No, and the change was undone
    aoAccepted = 1,    // Yes (or taken without a question): the baseline takes the change
    aoUnanswered = 2,  // no answer, or the change could not be undone: nothing changed, asked again later
    aoLookAgain = 3,   // the item could not be read just now: looked at again in a few seconds
};

// Change codes, and the words for them in messages.
enum TChangeCode : std::uint8_t { ccAdded = 0, ccChanged = 2, ccDeleted = 3 };

// How long the watcher waits before it looks again at a file that could not
// be read, and at a watched folder that is gone.
constexpr DWORD kLookAgainMs = 2000;
constexpr DWORD kFolderRetryMs = 3000;
// How long a refused item that is in use is tried again before it is left.
constexpr DWORD kRemoveRetryMs = 5000;

class TFileProtection {
public:
    // `provider` is borrowed and must outlive the protection; `window` gets
    // the log lines and the blink requests (none when null).
    TFileProtection(IFileAction* provider, HWND window, TAlertLauncher alerts = TAlertLauncher());
    ~TFileProtection();
    TFileProtection(const TFileProtection&) = delete;
    TFileProtection& operator=(const TFileProtection&) = delete;

    // Starts the watcher (after a Stop when it runs). Only Stop when the
    // protection is disabled; a folder protection whose folder is missing is
    // disabled instead.
    void Start();
    // Ends the watcher and every question it has open (the alert program is
    // closed, nothing is changed on disk), then saves the entries. Handles
    // messages sent to this thread while it waits.
    void Stop();
    bool Running() const { return running_; }
    // Whether the watcher has taken its baseline, made its first comparison
    // and watches the folder (or found it gone), waiting up to `timeoutMs`.
    bool WaitUntilWatching(DWORD timeoutMs) const;

    void SetEnabled(bool enabled);  // switching off stops it
    bool Enabled() const { return enabled_; }
    void SetKind(std::uint8_t kind);  // pkFile clears the watch-subtree flag
    std::uint8_t Kind() const;
    void SetPath(const String& path);
    String Path() const;
    // Renames an existing list file (and keeps the stored copies beside it).
    void SetListFile(const String& listFile);
    String ListFile() const;
    void SetDisplayName(const String& name);
    String DisplayName() const;
    void SetWatchSubtree(bool watch);
    bool WatchSubtree() const;

    bool Predefined = false;
    std::uint8_t PredefinedType = ptNone;
    std::int32_t Id = 0;

    IFileAction* Provider() const { return provider_; }
    HWND Window() const { return window_; }

    // The stored copy of a guarded file: the folder of the list file + the key.
    static String StoredCopyPath(const String& listFile, const String& path);

private:
    // A running alert thread (its change is in the pending list).
    struct TThreadStorage {
        TUniqueHandle Handle;
        DWORD ThreadId = 0;
    };
    // A change being asked: its entry line, the alert thread asking it, and
    // for a new folder the lines inside it.
    struct TPendingChange {
        String Line;
        DWORD ThreadId = 0;
        std::uint8_t Code = ccAdded;
        std::vector<String> Inside;
    };
    class TWatcher;
    class TAlert;
    friend class TWatcher;
    friend class TAlert;

    static DWORD WINAPI WatcherMain(void* protection);
    void SaveEntries();
    void Log(int level, int id, const char* english, FormatArgs args) const;

    IFileAction* provider_;
    HWND window_;
    TAlertLauncher alerts_;
    mutable std::mutex lock_;  // the fields below that the watcher and the GUI thread share
    std::uint8_t kind_ = pkFolder;
    String path_;
    String listFile_;
    String displayName_;
    bool watchSubtree_ = true;
    std::vector<TThreadStorage> alertThreads_;
    TProtectionEntries entries_;  // the watcher's while it runs
    std::vector<TPendingChange> pending_;  // the watcher's own
    bool baselineIncomplete_ = false;  // the first listing was cut short: nothing is saved
    bool enabled_ = true;
    bool running_ = false;
    TUniqueHandle stopEvent_;
    TUniqueHandle readyEvent_;
    TUniqueHandle watcherHandle_;
};
