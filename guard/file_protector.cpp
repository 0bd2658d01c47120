#include "guard/file_protector.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <unordered_set>

#include "classlib/file_system.h"
#include "classlib/own_messages.h"
#include "classlib/thread_stop.h"
#include "guard/common.h"
#include "guard/guard_messages.h"
#include "guard/interface_translator.h"
#include "guard/postponed_log.h"

namespace {

constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
static_assert(kNotifyFilter == 27);
constexpr DWORD kRecycleFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI;
static_assert(kRecycleFlags == 0x454);
constexpr DWORD kRetryPauseMs = 50;
constexpr DWORD kPostRetryMs = 100;
// The last step of an alert thread after its done message: the watcher waits
// this long for it before it closes the handle anyway.
constexpr DWORD kAlertEndMs = 2000;
// How long a stopping watcher waits for its alert threads' last reports.
constexpr DWORD kFinishAlertsMs = 15000;

ULONGLONG Now()
{
    using namespace std::chrono;
    return static_cast<ULONGLONG>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool Signalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

bool ItemExists(const String& path, bool folder) { return folder ? DirectoryExists(path) : FileExists(path); }

// Errors after which the item is only in use for the moment.
bool InUse(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Repeats `attempt` while it fails with an in-use error, for a few seconds
// or until `stop` is set. `attempt` answers true when done.
template <typename Attempt>
bool RetryWhileInUse(HANDLE stop, Attempt attempt)
{
    const ULONGLONG deadline = Now() + kRemoveRetryMs;
    for (;;) {
        DWORD error = ERROR_SUCCESS;
        if (attempt(error))
            return true;
        if (!InUse(error) || Now() >= deadline || WaitForSingleObject(stop, kRetryPauseMs) == WAIT_OBJECT_0)
            return false;
    }
}

// Our own files (stored copies, taken contents) are never left read-only,
// or they could not be replaced when the next change is accepted.
bool RemoveOwnFile(const String& fileName)
{
    MakeFileWritable(fileName);
    return RemoveFile(fileName);
}

// Puts the stored content back over `path`. A deleted file is only put back
// where nothing has taken its place meanwhile.
bool RestoreFromCopy(const String& copyPath, const String& path, bool deleted, HANDLE stop)
{
    if (!FileExists(copyPath))
        return false;
    const TQuietFileErrors quiet;
    ForceDirectories(ExtractFilePath(path));
    return RetryWhileInUse(stop, [&](DWORD& error) {
        if (!deleted)
            MakeFileWritable(path);
        if (CopyFileA(copyPath.c_str(), path.c_str(), deleted ? TRUE : FALSE)) {
            return true;
        }
        error = GetLastError();
        return false;
    });
}

// Removes a refused item: a file that appeared in place of a guarded file is
// deleted, an item in a guarded folder goes to the recycle bin.
bool RemoveRefusedItem(const String& path, bool folder, bool recycle, HANDLE stop)
{
    const TQuietFileErrors quiet;
    return RetryWhileInUse(stop, [&](DWORD& error) {
        if (!ItemExists(path, folder))
            return true;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!folder) {
            // In use by another program: wait rather than move it half-written.
            TUniqueHandle probe(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!probe.Valid()) {
                error = GetLastError();
                if (InUse(error))
                    return false;
            }
        }
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (folder && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            // A junction or link goes alone: the shell would empty its target.
            if (RemoveDirectoryA(path.c_str()))
                return true;
            error = GetLastError();
            return false;
        }
        if (!recycle) {
            if (DeleteFileA(path.c_str()))
                return true;
            error = GetLastError();
            return false;
        }
        String from = path;
        from.push_back('\0');  // the list ends with a second NUL
        SHFILEOPSTRUCTA operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = static_cast<FILEOP_FLAGS>(kRecycleFlags);
        const int result = SHFileOperationA(&operation);
        if (result == 0 && !operation.fAnyOperationsAborted && !ItemExists(path, folder))
            return true;
        error = ERROR_SHARING_VIOLATION;  // the shell's codes aren't the system's: try again while there is time
        return false;
    });
}

String ChangeWord(std::uint8_t code)
{
    switch (code) {
    case ccAdded: return "added";
    case ccChanged: return "changed";
    default: return "deleted";
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// The alert thread: one question, then what the answer means on the disk.

class TFileProtection::TAlert {
public:
    struct TStart {
        TFileProtection* Protection = nullptr;
        String Line;
        String CopyPath;  // the stored copy; for a folder item the item itself
        std::uint8_t Code = ccAdded;
        std::uint8_t Kind = pkFolder;
        String DisplayName;
        DWORD WatcherId = 0;
        HANDLE Watcher = nullptr;  // open until every alert thread has ended
        HANDLE Stop = nullptr;
    };

    explicit TAlert(TStart start) : s_(std::move(start)) {}

    static DWORD WINAPI Main(void* start)
    {
        std::unique_ptr<TStart> owned(static_cast<TStart*>(start));
        TAlert alert(std::move(*owned));
        owned.reset();
        try {
            alert.Run();
        } catch (const std::exception&) {
            alert.Post(WM_PROTECTION_ANSWER, aoUnanswered);
        }
        alert.Post(WM_ALERT_THREAD_DONE, 0);
        return 0;
    }

private:
    void Run();
    TAlertOutcome AskAboutFileItself(const String& message);
    TAlertOutcome AskWithDescription(String message);
    TAlertAnswer Ask(const String& message) const;
    bool StillWanted() const;
    bool TakeContent();
    bool KeepTakenContent();
    void Post(UINT message, LPARAM value) const;
    void Report(TAlertOutcome outcome) const;

    TStart s_;
    String requestId_;
    String path_;
    bool folderItem_ = false;
    String taken_;  // the content the question shows, kept when it is accepted
    bool posted_ = false;
};

void TFileProtection::TAlert::Run()
{
    TEntry entry;
    SplitEntryLine(s_.Line, entry);
    requestId_ = entry.Key;
    path_ = entry.Path;
    folderItem_ = entry.Folder;
    const String message = Format("Signalled guard: %s.\r\n\r\n%s '%s' %s.",
                                  {s_.DisplayName, String(folderItem_ ? "Directory" : "File"), path_, ChangeWord(s_.Code)});
    TAlertOutcome outcome;
    if (s_.Kind == pkFile && s_.Code != ccChanged)
        outcome = AskAboutFileItself(message);
    else
        outcome = AskWithDescription(message);
    if (!taken_.empty())
        RemoveOwnFile(taken_);
    if (!posted_)
        Post(WM_PROTECTION_ANSWER, outcome);
}

// A guarded file appeared or vanished.
TAlertOutcome TFileProtection::TAlert::AskAboutFileItself(const String& message)
{
    const bool added = s_.Code == ccAdded;
    if (added && !TakeContent())
        return aoLookAgain;
    TAlertAnswer answer;
    if (!added && LowerCase(ExtractFileName(path_)) == "wininit.ini")
        answer.Answer = kAlertYes;  // the system deletes it once it has run
    else
        answer = Ask(message);
    if (!answer.Answered()) {
        Report(aoUnanswered);
        return StillWanted() ? aoUnanswered : aoLookAgain;  // changed meanwhile: looked at again soon
    }
    const TQuietFileErrors quiet;
    TAlertOutcome outcome;
    if (answer.Answer == kAlertYes) {
        if (added)
            outcome = KeepTakenContent() ? aoAccepted : aoUnanswered;
        else
            outcome = (!FileExists(s_.CopyPath) || RemoveOwnFile(s_.CopyPath)) ? aoAccepted : aoUnanswered;
    } else if (added) {
        outcome = RemoveRefusedItem(path_, false, false, s_.Stop) ? aoRejected : aoUnanswered;
    } else {
        outcome = RestoreFromCopy(s_.CopyPath, path_, true, s_.Stop) ? aoRejected : aoUnanswered;
    }
    if (outcome == aoUnanswered)
        s_.Protection->Log(llWarning, added || answer.Answer == kAlertYes ? 166 : 167,
                           added || answer.Answer == kAlertYes
                               ? "%s: the answer about %s could not be carried out: it is left as it is and asked again at the next check."
                               : "%s: %s could not be restored from its copy: it is asked again at the next check.",
                           {s_.DisplayName, path_});
    else
        Report(outcome);
    return outcome;
}

// A changed guarded file, or a new item in a guarded folder.
TAlertOutcome TFileProtection::TAlert::AskWithDescription(String message)
{
    const bool guardedFile = s_.Kind == pkFile;
    if (guardedFile && !TakeContent())
        return aoLookAgain;
    String description;
    bool worthAsking = true;
    if (!(folderItem_ && s_.Code == ccAdded) && s_.Protection->provider_) {
        worthAsking = s_.Protection->provider_->Describe(guardedFile ? taken_ : path_, s_.CopyPath, description);
    }
    if (!worthAsking) {
        if (!guardedFile) {
            // Left out of the entries: looked at again at the next change.
            posted_ = true;
            return aoUnanswered;
        }
        if (!KeepTakenContent())
            return aoUnanswered;
        s_.Protection->Log(llPlain, 170, "%s: %s '%s' %s; the change needs no question and is taken.",
                           {s_.DisplayName, String("File"), path_, ChangeWord(s_.Code)});
        return aoAccepted;
    }
    message += description;
    const HWND window = s_.Protection->window_;
    if (window && IsWindow(window) && !Signalled(s_.Stop))
        SendMessageA(window, WM_START_BLINK, 0, 0);
    const TAlertAnswer answer = Ask(message);
    if (!answer.Answered()) {
        Report(aoUnanswered);
        return StillWanted() ? aoUnanswered : aoLookAgain;  // changed meanwhile: looked at again soon
    }
    TAlertOutcome outcome;
    if (answer.Answer == kAlertYes)
        outcome = guardedFile ? (KeepTakenContent() ? aoAccepted : aoUnanswered) : aoAccepted;
    else if (s_.Code == ccAdded)
        outcome = RemoveRefusedItem(path_, folderItem_, true, s_.Stop) ? aoRejected : aoUnanswered;
    else
        outcome = RestoreFromCopy(s_.CopyPath, path_, false, s_.Stop) ? aoRejected : aoUnanswered;
    if (outcome == aoUnanswered)
        s_.Protection->Log(llWarning, 166,
                           "%s: the answer about %s could not be carried out: it is left as it is and asked again at the next check.",
                           {s_.DisplayName, path_});
    else
        Report(outcome);
    return outcome;
}

// The question closes when what it asks about has changed back: an added
// item has gone, a deleted file is there again.
bool TFileProtection::TAlert::StillWanted() const
{
    const bool exists = ItemExists(path_, folderItem_);
    return s_.Code == ccDeleted ? !exists : exists;
}

TAlertAnswer TFileProtection::TAlert::Ask(const String& message) const
{
    TAlertQuestion question;
    question.Message = message;
    question.Question = "Accept changes?";
    question.ShowCheckBox = false;
    return s_.Protection->alerts_.Ask(requestId_, question, s_.Stop, [this] { return StillWanted(); });
}

// The content as the question shows it, beside the stored copy.
bool TFileProtection::TAlert::TakeContent()
{
    const TQuietFileErrors quiet;
    ForceDirectories(ExtractFilePath(s_.CopyPath));
    taken_ = s_.CopyPath + ".asked" + IntToStr(static_cast<std::int64_t>(GetCurrentThreadId()));
    MakeFileWritable(taken_);  // one left behind by an earlier thread of this id
    if (CopyFileA(path_.c_str(), taken_.c_str(), FALSE)) {
        SetFileAttributesA(taken_.c_str(), FILE_ATTRIBUTE_NORMAL);  // CopyFile takes the read-only mark along
        return true;
    }
    RemoveOwnFile(taken_);
    taken_.clear();
    return false;
}

bool TFileProtection::TAlert::KeepTakenContent()
{
    if (taken_.empty())
        return false;
    MakeFileWritable(s_.CopyPath);
    if (!RenameFileOver(taken_, s_.CopyPath))
        return false;
    taken_.clear();
    return true;
}

// Gives up once the watcher has ended or a stop is under way: nobody reads it then.
void TFileProtection::TAlert::Post(UINT message, LPARAM value) const
{
    const HANDLE waits[] = {s_.Stop, s_.Watcher};
    while (!PostThreadMessageA(s_.WatcherId, message, GetCurrentThreadId(), value)) {
        if (GetLastError() == ERROR_INVALID_THREAD_ID ||
            WaitForMultipleObjects(2, waits, FALSE, kPostRetryMs) != WAIT_TIMEOUT)
            return;
    }
}

void TFileProtection::TAlert::Report(TAlertOutcome outcome) const
{
    const String item = folderItem_ ? "Directory" : "File";
    const String word = ChangeWord(s_.Code);
    switch (outcome) {
    case aoAccepted:
        s_.Protection->Log(llSuccess, 163, "%s: the change was accepted (%s '%s' %s).", {s_.DisplayName, item, path_, word});
        break;
    case aoRejected:
        s_.Protection->Log(llSuccess, 164, "%s: the change was refused and undone (%s '%s' %s).",
                           {s_.DisplayName, item, path_, word});
        break;
    default:
        s_.Protection->Log(llWarning, 165,
                           "%s: the question about %s got no answer: nothing was changed. It is asked again at the next check.",
                           {s_.DisplayName, path_});
        break;
    }
}

// ---------------------------------------------------------------------------
// The watcher thread.

class TFileProtection::TWatcher {
public:
    explicit TWatcher(TFileProtection& protection);
    void Run();

private:
    bool WaitAndHandle();
    bool LoadEntries();
    void FinishAlerts();
    void DrainMessages();
    void HandleMessage(const MSG& msg);
    void Answered(DWORD threadId, TAlertOutcome outcome);
    void AlertDone(DWORD threadId);
    void Arm();
    void FolderGone();
    void Compare();
    void CheckFile();
    void CheckFolder();
    bool ListFolder(const String& folder, std::vector<String>& lines) const;
    void CreateBaseline();
    bool StoreCopy();
    bool IsPendingKey(const String& key) const;
    void StartAlert(const String& line, const String& copyPath, std::uint8_t code, std::vector<String> inside = {});
    void SaveEntries();
    void LookAgainSoon() { lookAgainAt_ = Now() + kLookAgainMs; }

    TFileProtection& p_;
    String path_;
    String listFile_;
    String displayName_;
    std::uint8_t kind_;
    bool subtree_;
    String copyPath_;  // of a guarded file
    String watchedFolder_;
    TChangeNotificationHandle notification_;
    // The folder above the watched one: the watched folder's own
    // notification says nothing when the folder itself is moved away.
    TChangeNotificationHandle parentNotification_;
    bool folderGone_ = false;
    bool copyWarned_ = false;
    ULONGLONG armAt_ = 0;         // when to try watching again; 0: now
    ULONGLONG lookAgainAt_ = 0;   // 0: nothing to look at again
    bool quit_ = false;
};

TFileProtection::TWatcher::TWatcher(TFileProtection& protection) : p_(protection)
{
    std::lock_guard<std::mutex> hold(p_.lock_);
    path_ = p_.path_;
    listFile_ = p_.listFile_;
    displayName_ = p_.displayName_;
    kind_ = p_.kind_;
    subtree_ = kind_ == pkFolder && p_.watchSubtree_;
    copyPath_ = StoredCopyPath(listFile_, path_);
    watchedFolder_ = kind_ == pkFile ? ExtractFilePath(path_) : IncludeTrailingPathDelimiter(path_);
}

void TFileProtection::TWatcher::Run()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // a queue before any alert thread posts
    // A drive's root has no folder above it to watch.
    const String parent = ExtractFilePath(ExcludeTrailingPathDelimiter(watchedFolder_));
    if (parent.size() > 3 || (parent.size() == 3 && parent[1] == ':'))
        if (parent != watchedFolder_)
            parentNotification_.Reset(FindFirstChangeNotificationA(parent.c_str(), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME));
    Arm();  // before the first look, so that nothing after it goes unseen
    if (!LoadEntries())
        CreateBaseline();
    if (!Signalled(p_.stopEvent_.Get()))
        Compare();
    SetEvent(p_.readyEvent_.Get());
    while (!quit_ && WaitAndHandle()) {
    }
    FinishAlerts();
}

// The stored list, read again for a few seconds while another program holds
// it: a list taken anew would accept what changed while we were not watching.
bool TFileProtection::TWatcher::LoadEntries()
{
    if (listFile_.empty() || !FileExists(listFile_))
        return false;
    const ULONGLONG deadline = Now() + kRemoveRetryMs;
    for (;;) {
        try {
            p_.entries_.LoadFromFile(listFile_);
            return true;
        } catch (const std::exception&) {
            if (Now() >= deadline || WaitForSingleObject(p_.stopEvent_.Get(), kRetryPauseMs) == WAIT_OBJECT_0)
                break;
        }
    }
    p_.Log(llWarning, 172, "%s: the list of known items %s can't be read: a new one is taken from what is there now.",
           {displayName_, listFile_});
    return false;
}

// At a stop the open questions are closed; what their threads still report
// is taken into the baseline before the watcher ends, so that no answer
// already carried out on the disk is lost.
void TFileProtection::TWatcher::FinishAlerts()
{
    const ULONGLONG deadline = Now() + kFinishAlertsMs;
    for (;;) {
        std::vector<HANDLE> running;
        {
            std::lock_guard<std::mutex> hold(p_.lock_);
            for (const TThreadStorage& thread : p_.alertThreads_)
                running.push_back(thread.Handle.Get());
        }
        DrainMessages();
        if (running.empty() || Now() >= deadline)
            return;
        // Any of them ending, or a message, wakes us; at most 63 at a time.
        const DWORD count = static_cast<DWORD>(std::min<size_t>(running.size(), MAXIMUM_WAIT_OBJECTS - 1));
        MsgWaitForMultipleObjectsEx(count, running.data(), 100, QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
    }
}

void TFileProtection::TWatcher::DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            quit_ = true;
        else
            HandleMessage(msg);
    }
}

// One wait for the stop event, the folder's notification, a message or a
// deadline, and what follows from it. False when the watcher is to end.
bool TFileProtection::TWatcher::WaitAndHandle()
{
    if (!notification_.Valid() && Now() >= armAt_)
        Arm();
    HANDLE handles[3] = {p_.stopEvent_.Get()};
    DWORD count = 1;
    DWORD folderAt = MAXDWORD, parentAt = MAXDWORD;
    if (notification_.Valid()) {
        folderAt = count;
        handles[count++] = notification_.Get();
    }
    if (parentNotification_.Valid()) {
        parentAt = count;
        handles[count++] = parentNotification_.Get();
    }
    ULONGLONG next = ~0ULL;
    if (!notification_.Valid())
        next = armAt_;
    if (lookAgainAt_)
        next = std::min(next, lookAgainAt_);
    const ULONGLONG now = Now();
    const DWORD timeout = next == ~0ULL ? INFINITE : static_cast<DWORD>(next > now ? std::min<ULONGLONG>(next - now, 60000) : 0);
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles, timeout, QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED)
        return false;
    if (woke == WAIT_OBJECT_0 + folderAt) {
        // Armed again before the folder is read, so that nothing that happens
        // while it is read goes unseen.
        if (!FindNextChangeNotification(notification_.Get()))
            notification_.Reset();
        Compare();
    } else if (woke == WAIT_OBJECT_0 + parentAt) {
        // A folder was renamed or removed beside the watched one: is it still there?
        if (!FindNextChangeNotification(parentNotification_.Get()))
            parentNotification_.Reset();
        if (notification_.Valid() && !DirectoryExists(watchedFolder_))
            FolderGone();
    }
    // Answers are taken at every wake, so a busy folder never holds them up.
    DrainMessages();
    if (lookAgainAt_ && Now() >= lookAgainAt_) {
        lookAgainAt_ = 0;
        Compare();
    }
    return !Signalled(p_.stopEvent_.Get());
}

void TFileProtection::TWatcher::HandleMessage(const MSG& msg)
{
    if (msg.hwnd)
        return;
    if (msg.message == WM_PROTECTION_ANSWER)
        Answered(static_cast<DWORD>(msg.wParam), static_cast<TAlertOutcome>(msg.lParam));
    else if (msg.message == WM_ALERT_THREAD_DONE)
        AlertDone(static_cast<DWORD>(msg.wParam));
}

void TFileProtection::TWatcher::Answered(DWORD threadId, TAlertOutcome outcome)
{
    auto& pending = p_.pending_;
    const auto at = std::find_if(pending.begin(), pending.end(), [&](const TPendingChange& c) { return c.ThreadId == threadId; });
    if (at == pending.end())
        return;
    const TPendingChange change = std::move(*at);
    pending.erase(at);
    if (outcome == aoAccepted) {
        TEntry entry;
        SplitEntryLine(change.Line, entry);
        if (change.Code == ccDeleted) {
            p_.entries_.RemoveKey(entry.Key);
        } else {
            p_.entries_.Add(change.Line);
            for (const String& line : change.Inside)
                p_.entries_.Add(line);
        }
        SaveEntries();
    }
    if (outcome == aoLookAgain)
        LookAgainSoon();
    // What changed during the question is asked about now; an unanswered
    // change waits for the next check, so that nothing is asked in a loop.
    if (outcome == aoAccepted || outcome == aoRejected)
        Compare();
}

void TFileProtection::TWatcher::AlertDone(DWORD threadId)
{
    auto& pending = p_.pending_;
    pending.erase(std::remove_if(pending.begin(), pending.end(), [&](const TPendingChange& c) { return c.ThreadId == threadId; }),
                  pending.end());
    TUniqueHandle ended;
    {
        std::lock_guard<std::mutex> hold(p_.lock_);
        auto& threads = p_.alertThreads_;
        const auto at = std::find_if(threads.begin(), threads.end(), [&](const TThreadStorage& t) { return t.ThreadId == threadId; });
        if (at == threads.end())
            return;
        ended = std::move(at->Handle);
        threads.erase(at);
    }
    WaitForSingleObject(ended.Get(), kAlertEndMs);
}

void TFileProtection::TWatcher::Arm()
{
    const HANDLE handle = FindFirstChangeNotificationA(watchedFolder_.c_str(), subtree_ ? TRUE : FALSE, kNotifyFilter);
    if (handle == INVALID_HANDLE_VALUE) {
        if (!DirectoryExists(watchedFolder_)) {
            FolderGone();
        } else {
            if (!folderGone_)
                p_.Log(llWarning, 171, "%s can't watch %s (error %u): it tries again every few seconds.",
                       {displayName_, watchedFolder_, static_cast<unsigned>(GetLastError())});
            folderGone_ = true;
            armAt_ = Now() + kFolderRetryMs;
        }
        return;
    }
    notification_.Reset(handle);
    if (folderGone_) {
        folderGone_ = false;
        p_.Log(llPlain, 169, "%s: the folder %s is there again and is compared with its list.", {displayName_, watchedFolder_});
        Compare();
    }
}

void TFileProtection::TWatcher::FolderGone()
{
    notification_.Reset();
    if (!folderGone_)
        p_.Log(llWarning, 168, "%s: the folder %s is gone; it is looked for again every few seconds.",
               {displayName_, watchedFolder_});
    folderGone_ = true;
    armAt_ = Now() + kFolderRetryMs;
}

void TFileProtection::TWatcher::Compare()
{
    if (Signalled(p_.stopEvent_.Get()))
        return;  // stopping: nothing new is asked
    if (!DirectoryExists(watchedFolder_)) {
        FolderGone();
        return;
    }
    if (kind_ == pkFolder)
        CheckFolder();
    else
        CheckFile();
}

void TFileProtection::TWatcher::CheckFile()
{
    const String key = EntryKey(path_);
    if (IsPendingKey(key))
        return;  // asked already; looked at again after the answer
    const bool exists = FileExists(path_);
    if (!p_.entries_.HasKey(key)) {
        if (exists)
            StartAlert(EntryLine(path_, false), copyPath_, ccAdded);
        return;
    }
    const String line = p_.entries_.LineForKey(key);
    if (!exists) {
        if (FileExists(copyPath_)) {
            StartAlert(line, copyPath_, ccDeleted);
        } else {
            // Nothing to put back: the entry goes, and the file is asked about if it returns.
            p_.entries_.RemoveKey(key);
            SaveEntries();
        }
        return;
    }
    if (!FileExists(copyPath_)) {
        // The copy could not be made last time: made now, nothing to ask.
        if (!StoreCopy())
            LookAgainSoon();
        return;
    }
    String now, before;
    if (!TryHashFileMD5(path_, now) || !TryHashFileMD5(copyPath_, before)) {
        LookAgainSoon();  // in use just now: never counted as a change
        return;
    }
    if (now != before)
        StartAlert(line, copyPath_, ccChanged);
}

void TFileProtection::TWatcher::CheckFolder()
{
    std::vector<String> listing;
    const bool whole = ListFolder(path_, listing);
    if (Signalled(p_.stopEvent_.Get()))
        return;
    if (!whole && !DirectoryExists(path_)) {
        FolderGone();  // gone while it was read: the baseline stays as it is
        return;
    }
    // Items that are gone leave the baseline; a listing cut short proves nothing.
    int pruned;
    if (whole) {
        const std::unordered_set<String> present(listing.begin(), listing.end());
        pruned = p_.entries_.RemoveIf([&](const TEntry& entry) {
            return present.count(entry.Key + (entry.Folder ? "=?" : "=") + entry.Path) == 0;
        });
    } else {
        pruned = p_.entries_.RemoveIf([](const TEntry& entry) { return !ItemExists(entry.Path, entry.Folder); });
    }
    if (pruned)
        SaveEntries();
    std::vector<String> pendingLines;
    for (const TPendingChange& change : p_.pending_)
        pendingLines.push_back(change.Line);
    for (TNewFolderItem& item : FindNewFolderItems(listing, p_.entries_, pendingLines)) {
        TEntry entry;
        SplitEntryLine(item.Line, entry);
        StartAlert(item.Line, entry.Path, ccAdded, std::move(item.Inside));
    }
}

// Lists the folder's items (and those of its subfolders when the subtree is
// watched); a junction or a link is listed but not followed. False when the
// listing is not whole.
bool TFileProtection::TWatcher::ListFolder(const String& folder, std::vector<String>& lines) const
{
    const String base = IncludeTrailingPathDelimiter(folder);
    WIN32_FIND_DATAA found;
    TFindHandle search(FindFirstFileA((base + "*.*").c_str(), &found));
    if (!search.Valid())
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool whole = true;
    do {
        if (Signalled(p_.stopEvent_.Get()))
            return false;
        String name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        // A name the ANSI code page can't spell comes with "?" in it, which
        // names nothing (or, as a wildcard, something else): the short name
        // does, and without one the item is left alone.
        if (name.find('?') != String::npos) {
            name = found.cAlternateFileName;
            if (name.empty() || name.find('?') != String::npos)
                continue;
        }
        const String full = base + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            lines.push_back(EntryLine(full, true));
            if (subtree_ && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                whole = ListFolder(full, lines) && whole;
        } else {
            lines.push_back(EntryLine(full, false));
        }
    } while (FindNextFileA(search.Get(), &found));
    return whole && GetLastError() == ERROR_NO_MORE_FILES;
}

void TFileProtection::TWatcher::CreateBaseline()
{
    p_.entries_.Clear();
    if (kind_ == pkFolder) {
        std::vector<String> listing;
        const bool whole = ListFolder(path_, listing);
        for (const String& line : listing)
            p_.entries_.Add(line);
        // A first listing cut short by a stop is not kept: the next start
        // would ask about everything it missed.
        p_.baselineIncomplete_ = !whole && Signalled(p_.stopEvent_.Get());
        SaveEntries();
    } else {
        // Known even when its copy can't be made now: the copy is made at
        // the next look, and the file is never asked about as new.
        if (FileExists(path_))
            p_.entries_.Add(EntryLine(path_, false));
        StoreCopy();
        SaveEntries();
    }
}

// Takes the guarded file's present content as accepted.
bool TFileProtection::TWatcher::StoreCopy()
{
    if (!FileExists(path_))
        return true;
    const TQuietFileErrors quiet;
    ForceDirectories(ExtractFilePath(copyPath_));
    if (!CopyFileOver(path_, copyPath_)) {
        if (!copyWarned_)
            p_.Log(llWarning, 173, "%s: the copy of %s can't be stored just now; it is tried again.", {displayName_, path_});
        copyWarned_ = true;  // once until it works again
        return false;
    }
    copyWarned_ = false;
    if (p_.entries_.Add(EntryLine(path_, false)))
        SaveEntries();
    return true;
}

bool TFileProtection::TWatcher::IsPendingKey(const String& key) const
{
    return std::any_of(p_.pending_.begin(), p_.pending_.end(), [&](const TPendingChange& c) {
        TEntry entry;
        return SplitEntryLine(c.Line, entry) && entry.Key == key;
    });
}

void TFileProtection::TWatcher::StartAlert(const String& line, const String& copyPath, std::uint8_t code,
                                           std::vector<String> inside)
{
    auto start = std::make_unique<TAlert::TStart>();
    start->Protection = &p_;
    start->Line = line;
    start->CopyPath = copyPath;
    start->Code = code;
    start->Kind = kind_;
    start->DisplayName = displayName_;
    start->WatcherId = GetCurrentThreadId();
    start->Watcher = p_.watcherHandle_.Get();
    start->Stop = p_.stopEvent_.Get();
    DWORD threadId = 0;
    TUniqueHandle thread(CreateThread(nullptr, 0, &TAlert::Main, start.get(), CREATE_SUSPENDED, &threadId));
    if (!thread.Valid())
        return;  // asked at the next check
    start.release();  // the thread owns it now
    const HANDLE handle = thread.Get();
    p_.pending_.push_back({line, threadId, code, std::move(inside)});
    {
        std::lock_guard<std::mutex> hold(p_.lock_);
        p_.alertThreads_.push_back({std::move(thread), threadId});
    }
    SetThreadPriority(handle, THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(handle);
}

void TFileProtection::TWatcher::SaveEntries() { p_.SaveEntries(); }

// ---------------------------------------------------------------------------
// The protection, on the GUI thread.

TFileProtection::TFileProtection(IFileAction* provider, HWND window, TAlertLauncher alerts)
    : provider_(provider),
      window_(window),
      alerts_(std::move(alerts)),
      stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      readyEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

TFileProtection::~TFileProtection() { Stop(); }

DWORD WINAPI TFileProtection::WatcherMain(void* protection)
{
    auto& self = *static_cast<TFileProtection*>(protection);
    try {
        TWatcher watcher(self);
        watcher.Run();
    } catch (const std::exception&) {
        // Out of memory: the protection rests until it is started again.
    }
    SetEvent(self.readyEvent_.Get());
    return 0;
}

void TFileProtection::Start()
{
    if (!enabled_) {
        Stop();
        return;
    }
    if (running_)
        Stop();
    if (Kind() == pkFolder && !DirectoryExists(Path())) {
        enabled_ = false;
        Log(llWarning, 178, "%s is switched off: its folder %s does not exist.", {DisplayName(), Path()});
        return;
    }
    if (!stopEvent_.Valid() || !readyEvent_.Valid())
        return;
    ResetEvent(stopEvent_.Get());
    ResetEvent(readyEvent_.Get());
    pending_.clear();
    baselineIncomplete_ = false;
    DWORD threadId = 0;
    TUniqueHandle thread(CreateThread(nullptr, 0, &TFileProtection::WatcherMain, this, CREATE_SUSPENDED, &threadId));
    if (!thread.Valid()) {
        Log(llWarning, 174, "%s can't be started: no thread could be made for it.", {DisplayName()});
        return;
    }
    watcherHandle_ = std::move(thread);
    running_ = true;
    SetThreadPriority(watcherHandle_.Get(), THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(watcherHandle_.Get());
}

void TFileProtection::Stop()
{
    if (!running_)
        return;
    SetEvent(stopEvent_.Get());
    // First the watcher, which starts the alert threads and closes those that
    // end; then the ones still running. Sent messages (log lines, the blink)
    // are handled meanwhile, so that a thread inside one is never stuck.
    WaitHandlingSentMessages(watcherHandle_.Get(), INFINITE);
    std::vector<TThreadStorage> threads;
    {
        std::lock_guard<std::mutex> hold(lock_);
        threads.swap(alertThreads_);
    }
    for (TThreadStorage& thread : threads)
        WaitHandlingSentMessages(thread.Handle.Get(), INFINITE);
    threads.clear();
    watcherHandle_.Reset();
    running_ = false;
    pending_.clear();
    SaveEntries();
}

bool TFileProtection::WaitUntilWatching(DWORD timeoutMs) const
{
    return running_ && WaitForSingleObject(readyEvent_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

void TFileProtection::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    if (!enabled)
        Stop();
}

void TFileProtection::SetKind(std::uint8_t kind)
{
    std::lock_guard<std::mutex> hold(lock_);
    kind_ = kind;
    if (kind == pkFile)
        watchSubtree_ = false;
}

std::uint8_t TFileProtection::Kind() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return kind_;
}

void TFileProtection::SetPath(const String& path)
{
    std::lock_guard<std::mutex> hold(lock_);
    path_ = path;
}

String TFileProtection::Path() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return path_;
}

void TFileProtection::SetListFile(const String& listFile)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (listFile == listFile_)
        return;
    if (!listFile_.empty() && FileExists(listFile_))
        RenameFileOver(listFile_, listFile);
    listFile_ = listFile;
}

String TFileProtection::ListFile() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return listFile_;
}

void TFileProtection::SetDisplayName(const String& name)
{
    std::lock_guard<std::mutex> hold(lock_);
    displayName_ = name;
}

String TFileProtection::DisplayName() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return displayName_;
}

void TFileProtection::SetWatchSubtree(bool watch)
{
    std::lock_guard<std::mutex> hold(lock_);
    watchSubtree_ = watch;
}

bool TFileProtection::WatchSubtree() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return watchSubtree_;
}

String TFileProtection::StoredCopyPath(const String& listFile, const String& path)
{
    return ExtractFilePath(listFile) + EntryKey(path);
}

void TFileProtection::SaveEntries()
{
    const String listFile = ListFile();
    if (listFile.empty() || baselineIncomplete_)
        return;
    try {
        ForceDirectories(ExtractFilePath(listFile));
        entries_.SaveToFile(listFile);
    } catch (const std::exception&) {
        Log(llWarning, 158, "%s: the list of known items can't be saved to %s; it is saved again at the next change.",
            {DisplayName(), listFile});
    }
}

void TFileProtection::Log(int level, int id, const char* english, FormatArgs args) const
{
    if (!window_ || !IsWindow(window_))
        return;
    const String text = TranslateFormat(id, english, args);
    SendOwnMessage(window_, WM_ADD_LOG_LINE, static_cast<WPARAM>(level), reinterpret_cast<LPARAM>(text.c_str()));
}
