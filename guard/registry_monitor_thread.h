// The registry monitor: one worker thread that watches every active registry
// guard through change notifications, compares a signalled key or value with
// its snapshot, and puts the snapshot back at once (guards set to revoke) or
// asks the user and acts on the answer (guards set to ask). It reports each
// step as a log line to the main form and asks the main form, before acting,
// whether a guard is still active.
//
// It waits on change notifications and its message queue together and
// wakes only when something happens: a watched key or value changes, a
// watched key's parent gains or loses a subkey (the system doesn't signal the
// deletion of a watched key itself), or a message arrives. A timer runs only
// while some key can't be watched and no parent's watch would tell when it
// can. A rollback writes first and reports after; a check that finds nothing
// to do asks the main form nothing.
//
// The monitor frees itself when it ends: start it with StartWorker and stop
// it with StopWorker (classlib/thread_stop.h). Before it ends it closes its
// open questions and waits for their threads, so no answer is posted to it
// once it has gone.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <set>
#include <vector>

#include "classlib/registry.h"
#include "classlib/thread.h"
#include "classlib/win_handle.h"
#include "guard/event_wait_set.h"
#include "guard/freeze_list.h"
#include "guard/guard_messages.h"
#include "guard/interface_translator.h"
#include "guard/postponed_log.h"
#include "guard/registry_snapshot.h"

// One question for the user about a guard, answered later with a
// WM_GUARD_ANSWER posted to the monitor's thread.
struct TGuardQuestion {
    std::uint32_t Kind = ckChanges;
    String Message;
    String Question;
    DWORD MonitorThreadId = 0;
    std::uint32_t GuardId = 0;
    // The monitor's manual-reset event, valid while Ask runs: set when the
    // monitor ends, it closes the question unanswered, and then no answer
    // may be posted.
    HANDLE Cancel = nullptr;
};

// Where the monitor hands its questions: the alert program's hand-over in the
// program, a scripted answerer in tests. Called on the monitor's thread.
class TQuestionSink {
public:
    virtual ~TQuestionSink() = default;
    // Answers a handle that is signalled once nothing of this question can
    // post an answer any more (the asking thread's), or none when nothing
    // runs on for it. The monitor waits for these handles before it ends.
    virtual TUniqueHandle Ask(const TGuardQuestion& question) = 0;
};

// What the monitor did, counted for tests and benchmarks: how often it
// began to wait and how often its wait returned (it waits while Waits is
// Wakes + 1), and how many guard checks it made.
struct TMonitorCounters {
    std::atomic<unsigned> Waits{0};
    std::atomic<unsigned> Wakes{0};
    std::atomic<unsigned> Checks{0};
};

// The findings of one key-guard comparison.
struct TTreeChangeStruct {
    int DeletedValuesCount = 0;
    int AddedValuesCount = 0;
    int DeletedKeysCount = 0;
    int AddedKeysCount = 0;
    int ChangedValuesCount = 0;
    String DeletedValues;
    String AddedValues;
    String DeletedKeys;
    String AddedKeys;
    String ChangedValues;

    bool Any() const
    {
        return DeletedValuesCount + AddedValuesCount + DeletedKeysCount + AddedKeysCount + ChangedValuesCount > 0;
    }
};

class TRegMonitorThread : public TThread {
public:
    // The active guards of `source` are copied here, on the caller's thread,
    // so the monitor never reads the caller's list later.
    TRegMonitorThread(const TFreezeList& source, HWND mainWindow, const String& dataFolder,
                      std::shared_ptr<TQuestionSink> questions, std::shared_ptr<TMonitorCounters> counters = nullptr);

protected:
    void Execute() override;

private:
    // A guard's snapshot, read from its file once per monitor, or again at
    // every check while what was read is not whole. The file stays the
    // truth: it is written before the held copy changes, and the next
    // monitor reads it again.
    struct THeldSnapshot {
        TRegistryShapshoot snapshot;
        bool whole = false;
    };
    struct TWatch {
        std::unique_ptr<TRegistry> key;  // its event is the wait set's slot of the same index
        bool armed = false;              // false while its question is open (its signals are dropped)
        DWORD retryAt = 0;               // a failed arm is tried again from then on
        bool armFailed = false;
        // Off for an inactive guard whose key is missing: its parent's watch
        // sees the key come back.
        bool retryByTimer = false;
        bool active = true;  // the main form's last answer: only active guards' keys are created
        // A restore of its key wrote: its next signal may be our own
        // writes', so that check looks before it asks the main form.
        bool restored = false;
        THeldSnapshot held;
    };
    // What a restore has to tell, sent once all its writes are done: the
    // rollback is the protection, the lines only report it.
    struct TRestoreReport {
        std::vector<TLogLine> lines;
        bool wrote = false;      // the registry editor is refreshed
        bool attention = false;  // the tray icon blinks
    };
    // One key guard's rollback: its snapshot and where it walked. A probe
    // walks the same way and only finds out whether anything would be done.
    struct TRestoreWalk {
        const TRegistryShapshoot& snapshot;
        std::uint32_t root;
        bool mayDelete;
        TRestoreReport& report;
        bool probe = false;
        bool found = false;                           // a probe met something to do
        std::set<const TRegistryShapshoot*> visited;  // key records whose keys were restored
    };
    // The subkey names of a key that holds watched keys: the system says
    // nothing when a watched key itself is deleted, but its parent changes.
    struct TParentWatch {
        std::uint32_t root = 0;
        String path;
        std::unique_ptr<TRegistry> key;
        std::vector<int> guards;
        DWORD retryAt = 0;
        bool armFailed = false;
    };

    void CopyActiveGuards();
    void EnsureSnapshot(const TSingleFreeze& guard);
    void CheckGuard(int index);
    // Asks the main form whether the guard is still active; right before
    // anything is done about a change, never for a check that finds none.
    bool QueryActive(int index);
    void CheckKeyGuard(int index);
    void CheckValueGuard(int index);
    bool FindRemovedAndChanged(TTreeChangeStruct& changes, int index);
    int FindAdded(TTreeChangeStruct& changes, const TRegistryShapshoot& snapshot, std::uint32_t root,
                  const String& path);
    void ProcessAnswer(WPARAM wParam, LPARAM lParam);
    void ProcessKeyAnswer(int index, std::uint16_t code);
    void ProcessValueAnswer(int index, std::uint16_t code);
    void LogUnanswered(const TSingleFreeze& guard);
    void RevokeKeyChanges(int index);
    // Whether a revoke would change anything now (a probe: nothing written).
    bool RevokeFindsWork(int index);
    void RestoreKeyTree(TRestoreWalk& walk, const String& path);
    // The values of one open key as its record holds them; the lines of
    // added and missing values are handed back (they follow the subkeys').
    void RestoreKeyValues(TRestoreWalk& walk, TRegistry& registry, const TRegistryShapshoot& record,
                          const String& keyText, std::vector<TLogLine>& lines);
    // Creates a key of the snapshot that is missing; true when it was made.
    bool CreateMissingKey(TRestoreWalk& walk, const TRegistryShapshoot& record);
    void RestoreValue(int index, const TSnapshootValue& stored, bool logMissing);

    // The guard's snapshot as held, read from its file on first use and
    // again while what was read is not whole.
    const TRegistryShapshoot& HeldSnapshot(int index, bool* whole = nullptr);
    // Takes and writes a new snapshot; the held copy changes only when the
    // file was written.
    bool TakeSnapshot(int index);

    // Watched again (what fired while it was not watched is dropped), the
    // notification registered on its open key.
    void Rearm(int index);
    // Arms a guard before a restore writes, without creating its key;
    // false when its key is missing (arm it after the restore).
    bool ArmBeforeRestore(int index);
    // Writes a stored value back when the live one differs.
    // `live`, when given, is the value as already read.
    bool WriteBack(TRegistry& registry, const TSnapshootValue& stored, const TRegistry::TRawValue* live = nullptr);
    void Arm(int index);
    bool ReopenWatchKey(int index, bool mayCreate);
    void Disarm(int index);

    void SetUpParentWatches();
    size_t ParentSlot(int parent) const { return watches_.size() + static_cast<size_t>(parent); }
    void ArmParent(int parent);
    // A parent's subkeys changed: every guard below it whose key is gone is
    // checked, and a failed arm is tried again.
    void HandleParentSignal(int parent);
    void RetryFailedArms();
    DWORD NextRetryTimeout() const;
    void WatchLoop();
    // Every open question is cancelled; waits (handling nothing) until the
    // threads asking them have ended, bounded by the alert's own end.
    void CloseQuestions();

    bool CanSend() const;
    bool QuitPending() const;
    void SendLogLine(int level, const String& text);
    void Log(int level, int id, const char* english, FormatArgs args);
    // A line kept in `report` until the restore's writes are done.
    void Note(TRestoreReport& report, int level, int id, const char* english, FormatArgs args) const;
    void Tell(const TRestoreReport& report);
    String Text(int id, const char* english, FormatArgs args) const;
    // A question message: its "{CRLF}" become line breaks after formatting.
    String QuestionText(int id, const char* english, FormatArgs args) const;
    void SignalAttention();
    void Ask(int index, std::uint32_t kind, const String& message, const String& question);
    void RefreshRegistryEditor();
    String ValueInText(const TSingleFreeze& guard) const;

    TFreezeList candidates_;  // the active guards when the monitor was made
    HWND mainWindow_;
    String dataFolder_;
    std::shared_ptr<TQuestionSink> questions_;
    std::shared_ptr<TMonitorCounters> counters_;
    TInterfaceTranslator translator_;
    TFreezeList guards_;
    std::vector<TWatch> watches_;
    std::vector<TParentWatch> parents_;
    std::unique_ptr<TEventWaitSet> waits_;  // slots: the guards, then the parents
    TUniqueHandle cancel_;                  // set when the monitor ends
    std::vector<TUniqueHandle> questionsOpen_;
    String logText_;
};

// The registry editor, when it runs, shows the restored state at once.
void RefreshRegistryEditorWindow();
