#include "guard/registry_monitor_thread.h"

#include <algorithm>

#include "classlib/format.h"
#include "guard/common.h"
#include "guard/postponed_log.h"
#include "guard/registry_utils.h"

namespace {

constexpr DWORD kNotifyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
constexpr DWORD kWaitMs = 50;
constexpr DWORD kIdleSleepMs = 10;
constexpr DWORD kArmRetryMs = 1000;
constexpr REGSAM kWatchAccess = KEY_READ | KEY_NOTIFY;
constexpr unsigned kRegEditRefreshCommand = 648;
constexpr DWORD kKeyCheckMs = 1000;

String Numbered(const char* pattern, int number, FormatArgs rest)
{
    // The line patterns are not translated: "\r\n%u. " and what follows.
    String line = "\r\n" + IntToStr(number) + ". ";
    String tail;
    TryFormat(pattern, rest, tail);
    return line + tail;
}

String FirstFourBytes(const std::vector<std::uint8_t>& data)
{
    std::uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return IntToStr(v);
}

// Compares a live value with its stored record by the type the live value
// has now. Answers whether it differs, with both sides as shown to the user.
bool LiveValueDiffers(const TRegistry& registry, const TSnapshootValue& stored, TRegDataType& liveType,
                      String& storedShown, String& liveShown)
{
    liveType = registry.GetDataType(stored.Name);
    switch (liveType) {
    case rdString:
    case rdExpandString: {
        String live;
        registry.ReadString(stored.Name, live);
        storedShown = stored.AsText();
        liveShown = live;
        return live != storedShown;
    }
    case rdInteger: {
        std::uint32_t live = 0;
        registry.ReadInteger(stored.Name, live);
        storedShown = IntToStr(stored.AsInteger());
        liveShown = IntToStr(live);
        return live != stored.AsInteger();
    }
    case rdBinary: {
        std::vector<std::uint8_t> live;
        registry.ReadBinaryData(stored.Name, live);
        if (live.empty())
            return false;  // an empty live value is never reported
        storedShown = FirstFourBytes(stored.Data);
        liveShown = FirstFourBytes(live);
        return live != stored.Data;
    }
    default: return false;  // other types are not compared
    }
}

// Whether a live value already holds exactly what is stored, type included.
bool RawValueIsStored(const TRegistry::TRawValue& live, const TSnapshootValue& stored)
{
    switch (stored.Type) {
    case stString:
    case stExpandString: {
        if (live.type != (stored.Type == stString ? DWORD{REG_SZ} : DWORD{REG_EXPAND_SZ}))
            return false;
        const auto end = std::find(live.data.begin(), live.data.end(), std::uint8_t{0});
        return String(live.data.begin(), end) == stored.AsText();
    }
    case stInteger: return live.type == REG_DWORD && live.data == stored.Data;
    case stBinary: return live.type == REG_BINARY && live.data == stored.Data;
    default: return true;  // never written back
    }
}

// Whether a live value counts as changed against its stored record: by the
// rules of its type, and whenever its type is not the stored one (a retyped
// value is a change, never a way past the guard).
bool LiveValueChanged(const TRegistry& registry, const TSnapshootValue& stored, TRegDataType& liveType,
                      String& storedShown, String& liveShown)
{
    if (LiveValueDiffers(registry, stored, liveType, storedShown, liveShown))
        return true;
    if (stored.Type == stOther || liveType == stored.Type)
        return false;
    if (storedShown.empty() && liveShown.empty()) {
        storedShown = stored.AsText();
        String live;
        registry.ReadString(stored.Name, live);
        liveShown = live;
    }
    return true;
}

}  // namespace

void RefreshRegistryEditorWindow()
{
    if (HWND editor = FindWindowA("RegEdit_RegEdit", nullptr))
        PostMessageA(editor, WM_COMMAND, kRegEditRefreshCommand, 0);
}

TRegMonitorThread::TRegMonitorThread(const TFreezeList& source, HWND mainWindow, const String& dataFolder,
                                     std::shared_ptr<TQuestionSink> questions)
    : mainWindow_(mainWindow), dataFolder_(dataFolder), questions_(std::move(questions))
{
    for (int i = 0; i < source.Count(); ++i)
        if (source.GetItem(i)->State == gsActive)
            candidates_.AddGuardCopy(*source.GetItem(i));
}

// ---- messages to the main form ----

bool TRegMonitorThread::QuitPending() const
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

bool TRegMonitorThread::CanSend() const { return !QuitPending() && IsWindow(mainWindow_); }

void TRegMonitorThread::SendLogLine(int level, const String& text)
{
    if (text.empty() || !CanSend())
        return;
    logText_ = text;  // stays alive while the main form handles the line
    SendMessageA(mainWindow_, WM_ADD_LOG_LINE, static_cast<WPARAM>(level), reinterpret_cast<LPARAM>(logText_.c_str()));
}

String TRegMonitorThread::Text(int id, const char* english, FormatArgs args) const
{
    return FormatText(translator_.Translate(IntToStr(id), english), english, args);
}

String TRegMonitorThread::QuestionText(int id, const char* english, FormatArgs args) const
{
    return StringReplace(Text(id, english, args), "{CRLF}", "\r\n", rfReplaceAll);
}

void TRegMonitorThread::Log(int level, int id, const char* english, FormatArgs args)
{
    SendLogLine(level, Text(id, english, args));
}

void TRegMonitorThread::SignalAttention()
{
    if (CanSend())
        SendMessageA(mainWindow_, WM_START_BLINK, 0, 0);
}

void TRegMonitorThread::RefreshRegistryEditor() { RefreshRegistryEditorWindow(); }

void TRegMonitorThread::Ask(int index, std::uint32_t kind, const String& message, const String& question)
{
    TGuardQuestion q;
    q.Kind = kind;
    q.Message = message;
    q.Question = question;
    q.MonitorThreadId = GetCurrentThreadId();
    q.GuardId = guards_.GetItem(index)->Id;
    SignalAttention();
    if (questions_)
        questions_->Ask(q);
}

String TRegMonitorThread::ValueInText(const TSingleFreeze& guard) const
{
    if (guard.Kind != gkValue)
        return String();
    return translator_.Translate("41", "value '") + guard.ValueName + translator_.Translate("42", "' in ");
}

// ---- arming ----

void TRegMonitorThread::Disarm(int index) { watches_[static_cast<size_t>(index)].event.Reset(); }

bool TRegMonitorThread::ReopenWatchKey(int index, bool mayCreate)
{
    TWatch& w = watches_[static_cast<size_t>(index)];
    const TSingleFreeze& guard = *guards_.GetItem(index);
    if (!w.key)
        w.key = std::make_unique<TRegistry>(kWatchAccess);
    w.key->SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    // A guard the main form calls inactive is never touched: its key is
    // only opened, not created again.
    return w.key->OpenKey(guard.KeyPath, mayCreate && w.active);
}

void TRegMonitorThread::Arm(int index)
{
    TWatch& w = watches_[static_cast<size_t>(index)];
    const TSingleFreeze& guard = *guards_.GetItem(index);
    if (!w.event.Valid())
        return;
    const BOOL subtree = guard.Kind == gkKey;
    const auto notify = [&] {
        return w.key && w.key->CurrentKey() &&
               RegNotifyChangeKeyValue(w.key->CurrentKey(), subtree, kNotifyFilter, w.event.Get(), TRUE) ==
                   ERROR_SUCCESS;
    };
    if (notify()) {
        w.armFailed = false;
        return;
    }
    // The watched key went away: open it again and treat the guard as
    // changed, so that it is checked at once and never left unwatched.
    if (ReopenWatchKey(index, true) && notify()) {
        w.armFailed = false;
        SetEvent(w.event.Get());
        return;
    }
    if (!w.armFailed && w.active)
        Log(llWarning, 143, "The key '%s' can't be watched now; it is tried again every second.",
            {GuardKeyText(guard)});
    w.armFailed = true;
    w.retryAt = GetTickCount() + kArmRetryMs;
}

// Wine doesn't signal the deletion of a watched key that has no subkeys:
// look at the watched keys once a second.
void TRegMonitorThread::CheckWatchedKeysExist()
{
    const DWORD now = GetTickCount();
    if (now - keysCheckedAt_ < kKeyCheckMs)
        return;
    keysCheckedAt_ = now;
    for (const TWatch& w : watches_) {
        if (!w.event.Valid() || !w.key || !w.key->CurrentKey() || w.armFailed)
            continue;
        const LONG rc = RegQueryInfoKeyA(w.key->CurrentKey(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_KEY_DELETED)
            SetEvent(w.event.Get());
    }
}

bool TRegMonitorThread::WriteBack(TRegistry& registry, const TSnapshootValue& stored,
                                  const TRegistry::TRawValue* live)
{
    TRegistry::TRawValue read;
    if (!live && registry.ReadRaw(stored.Name, read.type, read.data))
        live = &read;
    if (stored.Type == stOther || (live && RawValueIsStored(*live, stored)))
        return false;
    return WriteSnapshotValue(registry, stored);
}

void TRegMonitorThread::ReopenAndArm(int index)
{
    TWatch& w = watches_[static_cast<size_t>(index)];
    ReopenWatchKey(index, true);
    w.event.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Arm(index);
}

bool TRegMonitorThread::ArmBeforeRestore(int index)
{
    TWatch& w = watches_[static_cast<size_t>(index)];
    if (!ReopenWatchKey(index, false))
        return false;
    w.event.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Arm(index);
    return w.event.Valid() && !w.armFailed;
}

void TRegMonitorThread::RetryFailedArms()
{
    const DWORD now = GetTickCount();
    for (int i = 0; i < static_cast<int>(watches_.size()); ++i) {
        const TWatch& w = watches_[static_cast<size_t>(i)];
        if (w.armFailed && w.event.Valid() && static_cast<LONG>(now - w.retryAt) >= 0)
            Arm(i);
    }
}

int TRegMonitorThread::WaitForSignal(DWORD timeoutMs)
{
    // The list starts at a guard that moves on every round, so a guard that
    // keeps firing can't keep the others waiting.
    std::vector<HANDLE> handles;
    std::vector<int> owners;
    const int n = static_cast<int>(watches_.size());
    const int start = n > 0 ? static_cast<int>(rotation_++ % static_cast<unsigned>(n)) : 0;
    for (int k = 0; k < n; ++k) {
        const int i = (start + k) % n;
        if (watches_[static_cast<size_t>(i)].event.Valid()) {
            handles.push_back(watches_[static_cast<size_t>(i)].event.Get());
            owners.push_back(i);
        }
    }
    if (handles.empty()) {
        Sleep(timeoutMs);
        return -1;
    }
    // One wait takes at most 64 handles: look at every group at once, then
    // wait on each in turn with a share of the time.
    const size_t groups = (handles.size() + MAXIMUM_WAIT_OBJECTS - 1) / MAXIMUM_WAIT_OBJECTS;
    const DWORD slice = groups == 1 ? timeoutMs : std::max<DWORD>(1, timeoutMs / static_cast<DWORD>(groups));
    for (DWORD wait : {DWORD{0}, slice}) {
        if (groups == 1 && wait == 0)
            continue;
        for (size_t g = 0; g < groups; ++g) {
            const size_t first = g * MAXIMUM_WAIT_OBJECTS;
            const size_t count = std::min<size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - first);
            const DWORD rc = WaitForMultipleObjects(static_cast<DWORD>(count), handles.data() + first, FALSE, wait);
            if (rc < WAIT_OBJECT_0 + count)
                return owners[first + (rc - WAIT_OBJECT_0)];
        }
    }
    return -1;
}

// ---- the thread ----

void TRegMonitorThread::Execute()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before anyone posts
    translator_.LoadFromFile(InterfaceFileName(GetProgramFolder()));

    CopyActiveGuards();
    const int count = guards_.Count();
    if (count == 0)
        return;
    watches_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count && !QuitPending(); ++i) {
        const TSingleFreeze& guard = *guards_.GetItem(i);
        TWatch& w = watches_[static_cast<size_t>(i)];
        w.event.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        w.key = std::make_unique<TRegistry>(kWatchAccess);
        w.key->SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
        w.key->OpenKey(guard.KeyPath, false);
    }
    // Every check ends with its guard armed again (or pending its answer),
    // so the checks arm the guards.
    for (int i = 0; i < count && !QuitPending(); ++i)
        if (watches_[static_cast<size_t>(i)].key)
            CheckGuard(i);
    if (CanSend())
        SendMessageA(mainWindow_, WM_MONITORING_STARTED, 0, 0);

    while (true) {
        bool quit = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                break;
            }
            if (msg.message == WM_GUARD_ANSWER)
                ProcessAnswer(msg.wParam, msg.lParam);
        }
        if (quit || !IsWindow(mainWindow_) || Terminated())
            break;
        RetryFailedArms();
        CheckWatchedKeysExist();
        const int signalled = WaitForSignal(kWaitMs);
        if (signalled < 0) {
            if (Terminated())
                break;
            Sleep(kIdleSleepMs);
            continue;
        }
        ResetEvent(watches_[static_cast<size_t>(signalled)].event.Get());
        CheckGuard(signalled);
    }
}

void TRegMonitorThread::CopyActiveGuards()
{
    for (int i = 0; i < candidates_.Count(); ++i) {
        const TSingleFreeze& guard = *candidates_.GetItem(i);
        TRegistry registry;
        registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
        if (!registry.OpenKey(guard.KeyPath, true)) {
            Log(llWarning, 144, "The key '%s' of the guard '%s' can't be opened or created: the guard is not watched.",
                {GuardKeyText(guard), guard.DisplayName});
            continue;
        }
        registry.CloseKey();
        EnsureSnapshot(guard);
        guards_.AddGuardCopy(guard);
    }
    candidates_.Clear();
}

void TRegMonitorThread::EnsureSnapshot(const TSingleFreeze& guard)
{
    const String valueIn = ValueInText(guard);
    const String key = GuardKeyText(guard);
    Log(llPlain, 40, "Checking snapshot for %skey '%s'...", {valueIn, key});
    if (!SnapshotExists(guard, dataFolder_)) {
        Log(llWarning, 43, "The snapshot for %skey '%s' does not exist. Creating it...", {valueIn, key});
        TRegistryShapshoot snapshot;
        if (TakeGuardSnapshot(snapshot, guard, dataFolder_))
            Log(llSuccess, 44, "The snapshot  for %skey '%s' is created.", {valueIn, key});
    }
    Log(llSuccess, 45, "The snapshot for %skey '%s' is verified.", {valueIn, key});
}

void TRegMonitorThread::CheckGuard(int index)
{
    TSingleFreeze& guard = *guards_.GetItem(index);
    const LRESULT active =
        CanSend() ? SendMessageA(mainWindow_, WM_QUERY_GUARD, reinterpret_cast<WPARAM>(&guard), 0) : 0;
    watches_[static_cast<size_t>(index)].active = active == 1;
    if (active != 1) {
        Arm(index);
        return;
    }
    if (guard.Kind == gkKey)
        CheckKeyGuard(index);
    else
        CheckValueGuard(index);
}

// ---- key guards ----

void TRegMonitorThread::CheckKeyGuard(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    if (guard.Reaction == grRevoke) {
        RevokeKeyChanges(index);
        return;
    }
    TTreeChangeStruct changes;
    if (!FindRemovedAndChanged(changes, guard)) {
        Arm(index);
        return;
    }
    Log(llWarning, 60, "Changes in '%s' key are found...", {GuardKeyText(guard)});
    Disarm(index);  // not watched until the answer

    String sections;
    const struct {
        int id;
        const char* caption;
        const String& lines;
    } parts[] = {
        {61, "Added keys", changes.AddedKeys},     {62, "Deleted keys", changes.DeletedKeys},
        {63, "Added values", changes.AddedValues}, {64, "Deleted values", changes.DeletedValues},
        {65, "Changed values", changes.ChangedValues},
    };
    for (const auto& part : parts)
        if (!part.lines.empty())
            sections += "\r\n\r\n" + translator_.Translate(IntToStr(part.id), part.caption) + ": " + part.lines;
    const String message = QuestionText(66, "Signalled guard: %s\r\n\r\nKey '%s' has changes! %s",
                                {guard.DisplayName, GuardKeyText(guard), sections});
    Ask(index, ckChanges, message, "Accept changes?");
}

bool TRegMonitorThread::FindRemovedAndChanged(TTreeChangeStruct& changes, const TSingleFreeze& guard)
{
    TRegistryShapshoot snapshot;
    LoadGuardSnapshot(snapshot, guard, dataFolder_);
    // The guard says where its keys live, whatever a damaged file says.
    const std::uint32_t root = RootKeyOfGuard(&guard);
    const String abbreviation = RootAbbreviation(root);
    for (int k = 0; k < snapshot.KeyCount(); ++k) {
        const TRegistryShapshoot& record = *snapshot.GetKey(k);
        if (record.Name.empty())
            continue;  // no snapshot at all
        TRegistry registry;
        registry.SetRootKey(RootKeyHandle(root));
        if (!registry.OpenKeyReadOnly(record.Name)) {
            changes.DeletedKeys += Numbered("%s%s", ++changes.DeletedKeysCount, {abbreviation, record.Name});
            continue;
        }
        for (int v = 0; v < record.ValueCount(); ++v) {
            const TSnapshootValue& stored = *record.GetValue(v);
            if (!registry.ValueExists(stored.Name)) {
                changes.DeletedValues += Numbered("%s%s, value '%s'", ++changes.DeletedValuesCount,
                                                  {abbreviation, record.Name, stored.Name});
                continue;
            }
            TRegDataType liveType;
            String old, now;
            if (!LiveValueChanged(registry, stored, liveType, old, now))
                continue;
            const char* pattern = liveType == rdBinary   ? "%s%s, value '%s': old value - '%s...'; new value - '%s...'"
                                                          : "%s%s, value '%s': old value - '%s'; new value - '%s'";
            changes.ChangedValues += Numbered(pattern, ++changes.ChangedValuesCount,
                                              {abbreviation, record.Name, stored.Name, old, now});
        }
    }
    FindAdded(changes, snapshot, root, guard.KeyPath);
    return changes.Any();
}

int TRegMonitorThread::FindAdded(TTreeChangeStruct& changes, const TRegistryShapshoot& snapshot, std::uint32_t root,
                                 const String& path)
{
    const TRegistryShapshoot* record = snapshot.FindKey(path + "\\");
    const String abbreviation = RootAbbreviation(root);
    if (!record) {
        changes.AddedKeys += Numbered("%s%s", ++changes.AddedKeysCount, {abbreviation, path + "\\"});
        return 1;
    }
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(root));
    if (!registry.OpenKeyReadOnly(path))
        return 1;
    int found = 0;
    std::vector<String> names;
    if (registry.GetKeyNames(names))
        for (const String& name : names)
            found += FindAdded(changes, snapshot, root, path + "\\" + name);
    if (registry.GetValueNames(names))
        for (const String& name : names)
            if (!record->FindValue(name)) {
                changes.AddedValues +=
                    Numbered("%s%s, value '%s'", ++changes.AddedValuesCount, {abbreviation, record->Name, name});
                ++found;
            }
    return found;
}

void TRegMonitorThread::RevokeKeyChanges(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    TWatch& w = watches_[static_cast<size_t>(index)];
    if (w.key)
        w.key->CloseKey();
    Disarm(index);
    // Watched again before we write: a change made while we restore is
    // signalled too (our own writes bring one more, quiet check).
    const bool armed = ArmBeforeRestore(index);
    TRegistryShapshoot snapshot;
    const bool whole = LoadGuardSnapshot(snapshot, guard, dataFolder_);
    if (!whole)
        Log(llWarning, 142,
            "The snapshot of '%s' key could not be read whole: what it holds is restored, and nothing is deleted.",
            {GuardKeyText(guard)});
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    for (int k = 0; k < snapshot.KeyCount(); ++k) {
        const TRegistryShapshoot& record = *snapshot.GetKey(k);
        if (record.Name.empty() || registry.KeyExists(record.Name))
            continue;
        Log(llWarning, 52, "'%s' key does not exist. Creating it...", {record.Name});
        if (registry.OpenKey(record.Name, true)) {
            Log(llSuccess, 53, "'%s' key is created.", {record.Name});
            registry.CloseKey();
            RefreshRegistryEditor();
            SignalAttention();
        }
    }
    RestoreKeyTree(snapshot, RootKeyOfGuard(&guard), guard.KeyPath, whole);
    if (!armed)
        ReopenAndArm(index);  // the guard's own key was missing: it is there now
}

void TRegMonitorThread::RestoreKeyTree(const TRegistryShapshoot& snapshot, std::uint32_t root, const String& path,
                                       bool mayDelete)
{
    const TRegistryShapshoot* record = snapshot.FindKey(path + "\\");
    if (!record)
        return;  // nothing stored for this key: nothing to restore, nothing to delete
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(root));
    if (!registry.OpenKey(path, true))
        return;
    const String keyText = RootAbbreviation(root) + path;

    std::vector<String> names;
    if (registry.GetKeyNames(names)) {
        for (const String& name : names) {
            if (snapshot.FindKey(path + "\\" + name + "\\")) {
                RestoreKeyTree(snapshot, root, path + "\\" + name, mayDelete);
                continue;
            }
            if (!mayDelete)
                continue;
            Log(llPlain, 54, "New key with '%s' name are found. Deleting it...", {keyText + "\\" + name});
            if (registry.DeleteSubKeyTree(name)) {
                Log(llSuccess, 55, "The key with a '%s' name removed from registry.", {keyText + "\\" + name});
                RefreshRegistryEditor();
            }
            SignalAttention();
        }
    }
    std::vector<TRegistry::TRawValue> live;
    if (registry.GetValues(live)) {
        for (const TRegistry::TRawValue& value : live) {
            const String& name = value.name;
            if (const TSnapshootValue* stored = record->FindValue(name)) {
                if (WriteBack(registry, *stored, &value))
                    RefreshRegistryEditor();
                continue;
            }
            if (!mayDelete)
                continue;
            Log(llWarning, 56, "The new '%s' value in '%s' key are found. Deleting it...", {name, keyText});
            if (registry.DeleteValue(name))
                Log(llSuccess, 57, "The '%s' value in '%s' key removed.", {name, keyText});
            RefreshRegistryEditor();
            SignalAttention();
        }
    }
    for (int v = 0; v < record->ValueCount(); ++v) {
        const TSnapshootValue& stored = *record->GetValue(v);
        if (stored.Type == stOther || registry.ValueExists(stored.Name))
            continue;
        Log(llWarning, 58, "The '%s' value in '%s' key does not exist. Creating it...", {stored.Name, keyText});
        WriteBack(registry, stored);
        Log(llSuccess, 59, "The '%s' value in '%s' key are created and his data is restored from snapshot.",
            {stored.Name, keyText});
        RefreshRegistryEditor();
        SignalAttention();
    }
}

void TRegMonitorThread::ProcessKeyAnswer(int index, std::uint16_t code)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    if (code == acRestore) {
        RevokeKeyChanges(index);
        return;
    }
    if (code != acAccept) {
        // Unanswered: watched again, and asked again at its next change.
        LogUnanswered(guard);
        ReopenAndArm(index);
        return;
    }
    // Armed first, so a change made while the snapshot is taken is seen.
    ReopenAndArm(index);
    if (guard.AutoUpdate)
        Log(llPlain, 46, "Updating snapshot for '%s' key...", {GuardKeyText(guard)});
    TRegistryShapshoot snapshot;
    TakeGuardSnapshot(snapshot, guard, dataFolder_);
    if (guard.AutoUpdate)
        Log(llSuccess, 47, "Snapshot for '%s' key is updated.", {GuardKeyText(guard)});
}

// ---- value guards ----

void TRegMonitorThread::CheckValueGuard(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    TWatch& w = watches_[static_cast<size_t>(index)];
    Disarm(index);
    if (w.key)
        w.key->CloseKey();
    // A value guard is watched again at once, before anything is written
    // and also while its question is open.
    ReopenAndArm(index);
    TRegistryShapshoot snapshot;
    LoadGuardSnapshot(snapshot, guard, dataFolder_);
    const TSnapshootValue* stored = snapshot.FindValue(guard.ValueName);
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    if (registry.OpenKey(guard.KeyPath, true)) {
        const String keyText = GuardKeyText(guard);
        if (!registry.ValueExists(guard.ValueName)) {
            if (stored && stored->Type != stOther) {
                if (guard.Reaction == grRevoke) {
                    Log(llWarning, 58, "The '%s' value in '%s' key does not exist. Creating it...",
                        {guard.ValueName, keyText});
                    WriteBack(registry, *stored);
                    Log(llSuccess, 72, "The '%s' value is created and his data is restored from snapshot.",
                        {guard.ValueName});
                    RefreshRegistryEditor();
                    SignalAttention();
                } else {
                    const String message =
                        QuestionText(73, "Signalled guard: %s\r\n\r\nThe '%s' value in '%s' key does not exist!",
                             {guard.DisplayName, guard.ValueName, keyText});
                    Ask(index, ckMissingValue, message, translator_.Translate("74", "Restore data?"));
                }
            }
        } else if (stored) {
            TRegDataType liveType;
            String old, now;
            if (LiveValueChanged(registry, *stored, liveType, old, now)) {
                const auto logFound = [&] {
                    Log(llWarning, 67, "Changes for '%s' key in '%s' value are found.", {keyText, guard.ValueName});
                };
                if (guard.Reaction == grRevoke) {
                    // Back by the type the snapshot holds, so a changed type is restored too.
                    const bool written = WriteBack(registry, *stored);
                    logFound();
                    if (written)
                        Log(llSuccess, 68, "Changes are forbidden.", {});
                    RefreshRegistryEditor();
                    SignalAttention();
                } else {
                    logFound();
                    String message;
                    if (liveType == rdInteger) {
                        std::uint32_t live = 0;
                        registry.ReadInteger(guard.ValueName, live);
                        message = QuestionText(70,
                                       "Signalled guard: %s\r\n\r\n'%s' value in '%s' key has changes:\r\n\r\n"
                                       "Value from a snapshot: %u\r\nNew value: %u",
                                       {guard.DisplayName, guard.ValueName, keyText, stored->AsInteger(), live});
                    }
                    else if (liveType == rdBinary)
                        message = QuestionText(71,
                                       "Signalled guard: %s\r\n\r\n'%s' value in '%s' key has changes:\r\n\r\n"
                                       "Value from a snapshot: <binary data>\r\nNew value: <binary data>",
                                       {guard.DisplayName, guard.ValueName, keyText});
                    else
                        message = QuestionText(69,
                                       "Signalled guard: %s\r\n\r\n'%s' value in '%s' key has changes:\r\n\r\n"
                                       "Value from a snapshot: %s\r\nNew value: %s",
                                       {guard.DisplayName, guard.ValueName, keyText, old, now});
                    Ask(index, ckChanges, message, "Accept changes?");
                }
            }
        }
    }
}

void TRegMonitorThread::RestoreValue(int index, const TSnapshootValue& stored, bool logMissing)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    if (!registry.OpenKey(guard.KeyPath, true) || stored.Type == stOther)
        return;
    if (logMissing && !registry.ValueExists(guard.ValueName))
        Log(llWarning, 50, "The value in '%s' key with a '%s' name does not exist. Creating it...",
            {GuardKeyText(guard), guard.ValueName});
    WriteBack(registry, stored);
    Log(llSuccess, 51, "Old value is restored for '%s' value in '%s' key.", {guard.ValueName, GuardKeyText(guard)});
    RefreshRegistryEditor();
}

void TRegMonitorThread::ProcessValueAnswer(int index, std::uint16_t code)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    if (code == acKeep)
        return;  // kept as it is, and armed since its check
    if (code != acAccept && code != acRestore) {
        LogUnanswered(guard);
        return;
    }
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    const bool present = registry.OpenKey(guard.KeyPath, true) && registry.ValueExists(guard.ValueName);
    Disarm(index);
    ReopenAndArm(index);  // before anything is written or taken
    if (code == acAccept && present) {
        Log(llPlain, 48, "Updating snapshot for '%s' key and his value '%s'...", {GuardKeyText(guard), guard.ValueName});
        TRegistryShapshoot snapshot;
        TakeGuardSnapshot(snapshot, guard, dataFolder_);
        Log(llSuccess, 49, "Snapshot for value '%s' in '%s' key is updated.", {guard.ValueName, GuardKeyText(guard)});
    } else {
        // Restore, and an accepted value that has vanished meanwhile.
        TRegistryShapshoot snapshot;
        LoadGuardSnapshot(snapshot, guard, dataFolder_);
        if (const TSnapshootValue* stored = snapshot.FindValue(guard.ValueName))
            RestoreValue(index, *stored, true);
    }
}

void TRegMonitorThread::LogUnanswered(const TSingleFreeze& guard)
{
    Log(llWarning, 146,
        "The question about the '%s' guard got no answer: the changes are neither accepted nor rolled back. "
        "It is asked again at the next change.",
        {guard.DisplayName});
}

void TRegMonitorThread::ProcessAnswer(WPARAM wParam, LPARAM lParam)
{
    const auto code = static_cast<std::uint16_t>(wParam & 0xFFFF);
    const auto flag = static_cast<std::uint16_t>((wParam >> 16) & 0xFFFF);
    const auto id = static_cast<std::uint32_t>(lParam);
    int index = -1;
    for (int i = 0; i < guards_.Count(); ++i)
        if (guards_.GetItem(i)->Id == id) {
            index = i;
            break;
        }
    if (index < 0)
        return;
    TSingleFreeze& guard = *guards_.GetItem(index);
    // "Always forbid" comes with an answer; a question nobody answered changes nothing.
    if (flag == 1 && (code == acAccept || code == acRestore || code == acKeep)) {
        guard.Reaction = grRevoke;
        if (CanSend())
            SendMessageA(mainWindow_, WM_SET_GUARD_REACTION, static_cast<WPARAM>(guard.Id), 0);
    }
    if (guard.Kind == gkKey)
        ProcessKeyAnswer(index, code);
    else
        ProcessValueAnswer(index, code);
}
