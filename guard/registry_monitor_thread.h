// The registry monitor: one worker thread that watches every active registry
// guard through change notifications, compares a signalled key or value with
// its snapshot, and puts the snapshot back at once (guards set to revoke) or
// asks the user and acts on the answer (guards set to ask). It reports each
// step as a log line to the main form and asks the main form, before acting,
// whether a guard is still active.
//
// The monitor frees itself when it ends: start it with StartWorker and stop
// it with StopWorker (classlib/thread_stop.h).
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/registry.h"
#include "classlib/thread.h"
#include "classlib/win_handle.h"
#include "guard/freeze_list.h"
#include "guard/guard_messages.h"
#include "guard/interface_translator.h"
#include "guard/registry_snapshot.h"

// One question for the user about a guard, answered later with a
// WM_GUARD_ANSWER posted to the monitor's thread.
struct TGuardQuestion {
    std::uint32_t Kind = ckChanges;
    String Message;
    String Question;
    DWORD MonitorThreadId = 0;
    std::uint32_t GuardId = 0;
};

// Where the monitor hands its questions: the alert program's hand-over in the
// program, a scripted answerer in tests. Called on the monitor's thread.
class TQuestionSink {
public:
    virtual ~TQuestionSink() = default;
    virtual void Ask(const TGuardQuestion& question) = 0;
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
                      std::shared_ptr<TQuestionSink> questions);

protected:
    void Execute() override;

private:
    struct TWatch {
        TUniqueHandle event;  // none while the guard's question is pending
        std::unique_ptr<TRegistry> key;
        DWORD retryAt = 0;  // a failed arm is tried again from then on
        bool armFailed = false;
        bool active = true;  // the main form's last answer: only active guards' keys are created
    };

    void CopyActiveGuards();
    void EnsureSnapshot(const TSingleFreeze& guard);
    void CheckGuard(int index);
    void CheckKeyGuard(int index);
    void CheckValueGuard(int index);
    bool FindRemovedAndChanged(TTreeChangeStruct& changes, const TSingleFreeze& guard);
    int FindAdded(TTreeChangeStruct& changes, const TRegistryShapshoot& snapshot, std::uint32_t root,
                  const String& path);
    void ProcessAnswer(WPARAM wParam, LPARAM lParam);
    void ProcessKeyAnswer(int index, std::uint16_t code);
    void ProcessValueAnswer(int index, std::uint16_t code);
    void LogUnanswered(const TSingleFreeze& guard);
    void RevokeKeyChanges(int index);
    void RestoreKeyTree(const TRegistryShapshoot& snapshot, std::uint32_t root, const String& path, bool mayDelete);
    void RestoreValue(int index, const TSnapshootValue& stored, bool logMissing);

    // Arming: a fresh event, the key reopened with creation, the
    // notification registered.
    void ReopenAndArm(int index);
    // Arms a guard before a restore writes, without creating its key;
    // false when its key is missing (arm it after the restore).
    bool ArmBeforeRestore(int index);
    // Writes a stored value back when the live one differs.
    // `live`, when given, is the value as already read.
    bool WriteBack(TRegistry& registry, const TSnapshootValue& stored, const TRegistry::TRawValue* live = nullptr);
    void Arm(int index);
    bool ReopenWatchKey(int index, bool mayCreate);
    void CheckWatchedKeysExist();
    void Disarm(int index);
    void RetryFailedArms();
    int WaitForSignal(DWORD timeoutMs);

    bool CanSend() const;
    bool QuitPending() const;
    void SendLogLine(int level, const String& text);
    void Log(int level, int id, const char* english, FormatArgs args);
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
    TInterfaceTranslator translator_;
    TFreezeList guards_;
    std::vector<TWatch> watches_;
    String logText_;
    unsigned rotation_ = 0;  // which guard's signal is looked at first
    DWORD keysCheckedAt_ = 0;
};

// The registry editor, when it runs, shows the restored state at once.
void RefreshRegistryEditorWindow();
