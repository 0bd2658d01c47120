#include "guard/registry_monitor_thread.h"

#include <algorithm>
#include <map>
#include <utility>

#include "classlib/format.h"
#include "classlib/own_messages.h"
#include "guard/alert_launcher.h"
#include "guard/common.h"
#include "guard/postponed_log.h"
#include "guard/registry_utils.h"

namespace {

constexpr DWORD kNotifyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
constexpr DWORD kArmRetryMs = 1000;
constexpr REGSAM kWatchAccess = KEY_READ | KEY_NOTIFY;
constexpr unsigned kRegEditRefreshCommand = 648;
// A question's thread that was cancelled ends within the alert's own end
// after a cancel; this much more covers a start that was under way.
constexpr DWORD kQuestionEndSlackMs = 1000;

// Whether the key behind `key` has been deleted.
bool KeyGone(HKEY key)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_KEY_DELETED;
}

// Whether `path` below `root` does not exist (rather than being closed to us).
bool KeyMissing(HKEY root, const String& path)
{
    size_t first = 0;
    while (first < path.size() && path[first] == '\\')
        ++first;
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(root, path.c_str() + first, 0, KEY_QUERY_VALUE, &key);
    if (rc == ERROR_SUCCESS)
        RegCloseKey(key);
    return rc == ERROR_FILE_NOT_FOUND;
}

// The path of the key that holds `path` ("" for a key right below the root).
String ParentPath(const String& path)
{
    size_t first = 0;
    while (first < path.size() && path[first] == '\\')
        ++first;
    size_t end = path.size();
    while (end > first && path[end - 1] == '\\')
        --end;
    const size_t cut = path.rfind('\\', end == 0 ? 0 : end - 1);
    if (cut == String::npos || cut < first)
        return String();
    return path.substr(first, cut - first);
}

// One value of an open key, in one call for small values. False when the
// value is missing (or the key can't be read).
bool ReadLiveValue(HKEY key, const String& name, TRegistry::TRawValue& value)
{
    value.name = name;
    value.data.resize(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        auto size = static_cast<DWORD>(value.data.size());
        const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            value.data.resize(size);
            return true;
        }
        if (rc != ERROR_MORE_DATA || size == 0)
            return false;
        value.data.resize(size);  // larger than the first guess, or it grew meanwhile
    }
    return false;
}

String TextOf(const std::vector<std::uint8_t>& data)
{
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return String(data.begin(), end);
}

std::uint32_t IntegerOf(const std::vector<std::uint8_t>& data)
{
    std::uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return v;
}

String Numbered(const char* pattern, int number, FormatArgs rest)
{
    // The line patterns are not translated: "\r\n%u. " and what follows.
    String line = "\r\n" + IntToStr(number) + ". ";
    String tail;
    TryFormat(pattern, rest, tail);
    return line + tail;
}

String FirstFourBytes(const std::vector<std::uint8_t>& data) { return IntToStr(IntegerOf(data)); }

// A live value against its stored record, compared by the type the live
// value has now, with both sides as shown to the user.
struct TLiveComparison {
    bool changed = false;
    TRegDataType liveType = rdUnknown;
    String storedShown;
    String liveShown;
};

TLiveComparison CompareLive(const TRegistry::TRawValue& live, const TSnapshootValue& stored)
{
    TLiveComparison c;
    c.liveType = RegDataTypeOf(live.type);
    bool differs = false;
    switch (c.liveType) {
    case rdString:
    case rdExpandString:
        c.storedShown = stored.AsText();
        c.liveShown = TextOf(live.data);
        differs = c.liveShown != c.storedShown;
        break;
    case rdInteger: {
        const std::uint32_t value = IntegerOf(live.data);
        c.storedShown = IntToStr(stored.AsInteger());
        c.liveShown = IntToStr(value);
        differs = value != stored.AsInteger();
        break;
    }
    case rdBinary:
        if (live.data.empty())
            break;  // an empty live value is never reported
        c.storedShown = FirstFourBytes(stored.Data);
        c.liveShown = FirstFourBytes(live.data);
        differs = live.data != stored.Data;
        break;
    default: break;  // other types are not compared
    }
    // A retyped value is a change too, never a way past the guard.
    if (differs || (stored.Type != stOther && c.liveType != stored.Type)) {
        c.changed = true;
        if (!differs && c.storedShown.empty() && c.liveShown.empty()) {
            c.storedShown = stored.AsText();
            c.liveShown = TextOf(live.data);
        }
    }
    return c;
}

// Whether a live value already holds exactly what is stored, type included.
bool RawValueIsStored(const TRegistry::TRawValue& live, const TSnapshootValue& stored)
{
    switch (stored.Type) {
    case stString:
    case stExpandString: {
        if (live.type != (stored.Type == stString ? DWORD{REG_SZ} : DWORD{REG_EXPAND_SZ}))
            return false;
        return TextOf(live.data) == stored.AsText();
    }
    case stInteger: return live.type == REG_DWORD && live.data == stored.Data;
    case stBinary: return live.type == REG_BINARY && live.data == stored.Data;
    default: return true;  // never written back
    }
}

}  // namespace

void RefreshRegistryEditorWindow()
{
    if (HWND editor = FindWindowA("RegEdit_RegEdit", nullptr))
        PostMessageA(editor, WM_COMMAND, kRegEditRefreshCommand, 0);
}

TRegMonitorThread::TRegMonitorThread(const TFreezeList& source, HWND mainWindow, const String& dataFolder,
                                     std::shared_ptr<TQuestionSink> questions,
                                     std::shared_ptr<TMonitorCounters> counters)
    : mainWindow_(mainWindow),
      dataFolder_(dataFolder),
      questions_(std::move(questions)),
      counters_(std::move(counters))
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

// A window that no longer exists gets nothing: SendMessage sends nothing to
// it, and a query then answers 0 (not active).
bool TRegMonitorThread::CanSend() const { return !QuitPending(); }

void TRegMonitorThread::SendLogLine(int level, const String& text)
{
    if (text.empty() || !CanSend())
        return;
    logText_ = text;  // stays alive while the main form handles the line
    SendOwnMessage(mainWindow_, WM_ADD_LOG_LINE, static_cast<WPARAM>(level),
                   reinterpret_cast<LPARAM>(logText_.c_str()));
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

void TRegMonitorThread::Note(TRestoreReport& report, int level, int id, const char* english, FormatArgs args) const
{
    report.lines.push_back(TLogLine{Text(id, english, args), level});
}

void TRegMonitorThread::Tell(const TRestoreReport& report)
{
    if (report.wrote)
        RefreshRegistryEditor();
    for (const TLogLine& line : report.lines)
        SendLogLine(line.level, line.text);
    if (report.attention)
        SignalAttention();
}

// Posted: it carries nothing, and the monitor need not wait for the blink.
void TRegMonitorThread::SignalAttention()
{
    if (CanSend())
        PostMessageA(mainWindow_, WM_START_BLINK, 0, 0);
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
    q.Cancel = cancel_.Get();
    SignalAttention();
    if (!questions_)
        return;
    questionsOpen_.erase(std::remove_if(questionsOpen_.begin(), questionsOpen_.end(),
                                        [](const TUniqueHandle& h) {
                                            return WaitForSingleObject(h.Get(), 0) == WAIT_OBJECT_0;
                                        }),
                         questionsOpen_.end());
    TUniqueHandle asking = questions_->Ask(q);
    if (asking.Valid())
        questionsOpen_.push_back(std::move(asking));
}

void TRegMonitorThread::CloseQuestions()
{
    if (cancel_.Valid())
        SetEvent(cancel_.Get());
    // Nothing is handled meanwhile: the questions' threads send no window
    // messages, and once they have ended none of them can post an answer.
    const DWORD start = GetTickCount();
    const DWORD bound = kAlertEndAfterCancelMs + kQuestionEndSlackMs;
    for (size_t first = 0; first < questionsOpen_.size(); first += MAXIMUM_WAIT_OBJECTS) {
        std::vector<HANDLE> handles;
        for (size_t i = first; i < questionsOpen_.size() && handles.size() < MAXIMUM_WAIT_OBJECTS; ++i)
            handles.push_back(questionsOpen_[i].Get());
        const DWORD elapsed = GetTickCount() - start;
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                               elapsed >= bound ? 0 : bound - elapsed);
    }
    questionsOpen_.clear();
}

String TRegMonitorThread::ValueInText(const TSingleFreeze& guard) const
{
    if (guard.Kind != gkValue)
        return String();
    return translator_.Translate("41", "value '") + guard.ValueName + translator_.Translate("42", "' in ");
}

// ---- snapshots ----

const TRegistryShapshoot& TRegMonitorThread::HeldSnapshot(int index, bool* whole)
{
    THeldSnapshot& held = watches_[static_cast<size_t>(index)].held;
    // Read again while what is held is not whole: a file that was locked
    // or being replaced for a moment must not leave the guard half-armed.
    if (!held.whole)
        held.whole = LoadGuardSnapshot(held.snapshot, *guards_.GetItem(index), dataFolder_);
    if (whole)
        *whole = held.whole;
    return held.snapshot;
}

bool TRegMonitorThread::TakeSnapshot(int index)
{
    TRegistryShapshoot taken;
    if (!TakeGuardSnapshot(taken, *guards_.GetItem(index), dataFolder_))
        return false;  // the file and the held copy stay as they were
    THeldSnapshot& held = watches_[static_cast<size_t>(index)].held;
    held.snapshot = std::move(taken);
    held.whole = true;
    return true;
}

// ---- arming ----

void TRegMonitorThread::Disarm(int index) { watches_[static_cast<size_t>(index)].armed = false; }

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
    const auto slot = static_cast<size_t>(index);
    if (!w.armed || !waits_->Event(slot))
        return;
    const BOOL subtree = guard.Kind == gkKey;
    const auto notify = [&] {
        return w.key && w.key->CurrentKey() &&
               RegNotifyChangeKeyValue(w.key->CurrentKey(), subtree, kNotifyFilter, waits_->Event(slot), TRUE) ==
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
        waits_->Signal(slot);
        return;
    }
    // An inactive guard's key that is gone is never created; its parent's
    // watch sees it come back (and a parent that can't be watched is tried
    // again on its own), so no timer is needed for it.
    const bool byTimer = w.active || !KeyMissing(RootKeyHandle(RootKeyOfGuard(&guard)), guard.KeyPath);
    if (!w.armFailed && w.active)
        Log(llWarning, 143, "The key '%s' can't be watched now; it is tried again every second.",
            {GuardKeyText(guard)});
    w.armFailed = true;
    w.retryByTimer = byTimer;
    w.retryAt = GetTickCount() + kArmRetryMs;
}

void TRegMonitorThread::Rearm(int index)
{
    TWatch& w = watches_[static_cast<size_t>(index)];
    if (!w.armed) {
        waits_->Reset(static_cast<size_t>(index));  // whatever fired while it was not watched is old
        w.armed = true;
    }
    Arm(index);
}

bool TRegMonitorThread::ArmBeforeRestore(int index)
{
    TWatch& w = watches_[static_cast<size_t>(index)];
    const auto slot = static_cast<size_t>(index);
    if (!w.armed) {
        waits_->Reset(slot);
        w.armed = true;
    }
    // The open key still stands: registered again on it, nothing reopened.
    const BOOL subtree = guards_.GetItem(index)->Kind == gkKey;
    if (waits_->Event(slot) && w.key && w.key->CurrentKey() &&
        RegNotifyChangeKeyValue(w.key->CurrentKey(), subtree, kNotifyFilter, waits_->Event(slot), TRUE) ==
            ERROR_SUCCESS) {
        w.armFailed = false;
        return true;
    }
    if (!ReopenWatchKey(index, false))
        return false;
    waits_->Reset(slot);  // closing the old key signalled its event
    Arm(index);
    return waits_->Event(slot) && !w.armFailed;
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

void TRegMonitorThread::SetUpParentWatches()
{
    std::map<std::pair<std::uint32_t, String>, int> known;
    for (int i = 0; i < guards_.Count(); ++i) {
        const TSingleFreeze& guard = *guards_.GetItem(i);
        const std::uint32_t root = RootKeyOfGuard(&guard);
        const String path = ParentPath(guard.KeyPath);
        const auto [place, added] = known.emplace(std::make_pair(root, UpperCase(path)), static_cast<int>(parents_.size()));
        if (added) {
            TParentWatch parent;
            parent.root = root;
            parent.path = path;
            parent.key = std::make_unique<TRegistry>(KEY_NOTIFY);
            parent.key->SetRootKey(RootKeyHandle(root));
            parents_.push_back(std::move(parent));
        }
        parents_[static_cast<size_t>(place->second)].guards.push_back(i);
    }
}

void TRegMonitorThread::ArmParent(int parent)
{
    TParentWatch& p = parents_[static_cast<size_t>(parent)];
    const size_t slot = ParentSlot(parent);
    const bool hadKey = p.key->CurrentKey() != nullptr;
    const auto notify = [&] {
        return waits_->Event(slot) && p.key->CurrentKey() &&
               RegNotifyChangeKeyValue(p.key->CurrentKey(), FALSE, REG_NOTIFY_CHANGE_NAME, waits_->Event(slot),
                                       TRUE) == ERROR_SUCCESS;
    };
    if (notify()) {
        p.armFailed = false;
        return;
    }
    // Deleted with what it held, or never opened: opened again, never
    // created (the guards' checks create their own keys).
    if (p.key->OpenKey(p.path, false)) {
        waits_->Reset(slot);  // closing the old key signalled its event
        if (notify()) {
            if (hadKey || p.armFailed)
                waits_->Signal(slot);  // made again: the keys below are looked at once
            p.armFailed = false;
            return;
        }
    }
    p.armFailed = true;
    p.retryAt = GetTickCount() + kArmRetryMs;
}

void TRegMonitorThread::HandleParentSignal(int parent)
{
    ArmParent(parent);
    for (int i : parents_[static_cast<size_t>(parent)].guards) {
        const TWatch& w = watches_[static_cast<size_t>(i)];
        const auto slot = static_cast<size_t>(i);
        if (!w.armed)
            continue;  // its question is open: not watched until the answer
        if (w.armFailed)
            Arm(i);  // its key may be back
        else if (!w.key || !w.key->CurrentKey() || KeyGone(w.key->CurrentKey()))
            waits_->Signal(slot);
    }
}

void TRegMonitorThread::RetryFailedArms()
{
    const DWORD now = GetTickCount();
    for (size_t i = 0; i < watches_.size(); ++i) {
        const TWatch& w = watches_[i];
        if (w.armFailed && w.armed && w.retryByTimer && static_cast<LONG>(now - w.retryAt) >= 0)
            Arm(static_cast<int>(i));
    }
    for (size_t p = 0; p < parents_.size(); ++p)
        if (parents_[p].armFailed && static_cast<LONG>(now - parents_[p].retryAt) >= 0)
            HandleParentSignal(static_cast<int>(p));
}

DWORD TRegMonitorThread::NextRetryTimeout() const
{
    const DWORD now = GetTickCount();
    DWORD timeout = INFINITE;
    const auto consider = [&](bool failed, DWORD at) {
        if (!failed)
            return;
        const auto left = static_cast<LONG>(at - now);
        timeout = std::min<DWORD>(timeout, left <= 0 ? 0 : static_cast<DWORD>(left));
    };
    for (const TWatch& w : watches_)
        consider(w.armFailed && w.armed && w.retryByTimer, w.retryAt);
    for (const TParentWatch& p : parents_)
        consider(p.armFailed, p.retryAt);
    return timeout;
}

// ---- the thread ----

void TRegMonitorThread::Execute()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before anyone posts
    translator_.LoadFromFile(InterfaceFileName(GetProgramFolder()));
    cancel_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));

    CopyActiveGuards();
    const int count = guards_.Count();
    if (count == 0) {
        // Nothing to watch: the main form can switch protection off.
        if (CanSend())
            SendMessageA(mainWindow_, WM_NOTHING_TO_MONITOR, 0, 0);
        return;
    }
    watches_.resize(static_cast<size_t>(count));
    SetUpParentWatches();
    waits_ = std::make_unique<TEventWaitSet>(watches_.size() + parents_.size());
    for (int i = 0; i < count && !QuitPending(); ++i) {
        const TSingleFreeze& guard = *guards_.GetItem(i);
        TWatch& w = watches_[static_cast<size_t>(i)];
        w.armed = true;
        w.key = std::make_unique<TRegistry>(kWatchAccess);
        w.key->SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
        w.key->OpenKey(guard.KeyPath, false);
    }
    // The parents first, so a key deleted while the guards are checked is
    // seen too.
    for (int p = 0; p < static_cast<int>(parents_.size()) && !QuitPending(); ++p)
        ArmParent(p);
    // Every check ends with its guard armed again (or pending its answer),
    // so the checks arm the guards.
    for (int i = 0; i < count && !QuitPending(); ++i)
        if (watches_[static_cast<size_t>(i)].key)
            CheckGuard(i);
    if (CanSend())
        SendMessageA(mainWindow_, WM_MONITORING_STARTED, 0, 0);

    WatchLoop();

    CloseQuestions();
    waits_.reset();  // every thread-pool wait has ended when this returns
}

void TRegMonitorThread::WatchLoop()
{
    MSG msg;
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
        if (counters_)
            ++counters_->Waits;
        const TEventWaitSet::TResult woke = waits_->Wait(NextRetryTimeout());
        if (counters_)
            ++counters_->Wakes;
        if (woke.wake == TEventWaitSet::TWake::Signalled) {
            if (woke.slot < watches_.size()) {
                if (watches_[woke.slot].armed)  // else its question is open: not watched until the answer
                    CheckGuard(static_cast<int>(woke.slot));
            } else
                HandleParentSignal(static_cast<int>(woke.slot - watches_.size()));
        }
        RetryFailedArms();
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
    bool present = SnapshotExists(guard, dataFolder_);
    if (!present) {
        Log(llWarning, 43, "The snapshot for %skey '%s' does not exist. Creating it...", {valueIn, key});
        TRegistryShapshoot snapshot;
        present = TakeGuardSnapshot(snapshot, guard, dataFolder_);
        if (present)
            Log(llSuccess, 44, "The snapshot  for %skey '%s' is created.", {valueIn, key});
    }
    if (present)
        Log(llSuccess, 45, "The snapshot for %skey '%s' is verified.", {valueIn, key});
    else
        Log(llWarning, 160, "The snapshot for %skey '%s' could not be written: changes can't be put back until it is.",
            {valueIn, key});
}

void TRegMonitorThread::CheckGuard(int index)
{
    if (counters_)
        ++counters_->Checks;
    if (guards_.GetItem(index)->Kind == gkKey)
        CheckKeyGuard(index);
    else
        CheckValueGuard(index);
}

bool TRegMonitorThread::QueryActive(int index)
{
    TSingleFreeze& guard = *guards_.GetItem(index);
    const LRESULT active =
        CanSend() ? SendOwnMessage(mainWindow_, WM_QUERY_GUARD, reinterpret_cast<WPARAM>(&guard), 0) : 0;
    watches_[static_cast<size_t>(index)].active = active == 1;
    return active == 1;
}

// ---- key guards ----

void TRegMonitorThread::CheckKeyGuard(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    TWatch& w = watches_[static_cast<size_t>(index)];
    if (guard.Reaction == grRevoke) {
        // After a restore the signal is most likely our own writes': looked
        // at first (watched again before), and the main form is asked only
        // when something is to be put back. Otherwise it is asked at once,
        // so a real change is put back without a second look.
        if (std::exchange(w.restored, false) && ArmBeforeRestore(index) && !RevokeFindsWork(index))
            return;
        if (!QueryActive(index)) {
            Arm(index);
            return;
        }
        RevokeKeyChanges(index);
        return;
    }
    // Watched again before it is compared; a missing key is a finding.
    const bool watched = ArmBeforeRestore(index);
    TTreeChangeStruct changes;
    const bool found = FindRemovedAndChanged(changes, index);
    if (!found && watched)
        return;  // nothing changed, and watched again
    // A finding or a missing key: nothing is done before the main form is asked.
    if (!QueryActive(index) || !found) {
        Arm(index);  // makes a missing key again only for an active guard
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

bool TRegMonitorThread::FindRemovedAndChanged(TTreeChangeStruct& changes, int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    const TRegistryShapshoot& snapshot = HeldSnapshot(index);
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
            TRegistry::TRawValue live;
            if (!ReadLiveValue(registry.CurrentKey(), stored.Name, live)) {
                changes.DeletedValues += Numbered("%s%s, value '%s'", ++changes.DeletedValuesCount,
                                                  {abbreviation, record.Name, stored.Name});
                continue;
            }
            const TLiveComparison c = CompareLive(live, stored);
            if (!c.changed)
                continue;
            const char* pattern = c.liveType == rdBinary
                                      ? "%s%s, value '%s': old value - '%s...'; new value - '%s...'"
                                      : "%s%s, value '%s': old value - '%s'; new value - '%s'";
            changes.ChangedValues += Numbered(pattern, ++changes.ChangedValuesCount,
                                              {abbreviation, record.Name, stored.Name, c.storedShown, c.liveShown});
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

bool TRegMonitorThread::RevokeFindsWork(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    bool whole = false;
    const TRegistryShapshoot& snapshot = HeldSnapshot(index, &whole);
    TRestoreReport unused;
    TRestoreWalk walk{snapshot, RootKeyOfGuard(&guard), whole, unused, true, false, {}};
    RestoreKeyTree(walk, guard.KeyPath);
    for (int k = 0; k < snapshot.KeyCount() && !walk.found; ++k) {
        const TRegistryShapshoot& record = *snapshot.GetKey(k);
        if (!walk.visited.count(&record))
            CreateMissingKey(walk, record);
    }
    return walk.found;
}

void TRegMonitorThread::RevokeKeyChanges(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    // Watched again before we write: a change made while we restore is
    // signalled too (our own writes bring one more, quiet check).
    const bool armed = ArmBeforeRestore(index);
    bool whole = false;
    const TRegistryShapshoot& snapshot = HeldSnapshot(index, &whole);
    TRestoreReport report;
    if (!whole)
        Note(report, llWarning, 142,
             "The snapshot of '%s' key could not be read whole: what it holds is restored, and nothing is deleted.",
             {GuardKeyText(guard)});
    TRestoreWalk walk{snapshot, RootKeyOfGuard(&guard), whole, report, false, false, {}};
    // The guard's own key is open and watched unless it was deleted.
    if (!armed)
        if (const TRegistryShapshoot* own = snapshot.FindKey(guard.KeyPath + "\\"))
            CreateMissingKey(walk, *own);
    RestoreKeyTree(walk, guard.KeyPath);
    // Keys the walk did not reach: they went with a key above them, or were
    // deleted on their own. Records come parent first, so a key is made
    // before the keys below it.
    const String below = guard.KeyPath + "\\";
    for (int k = 0; k < snapshot.KeyCount(); ++k) {
        const TRegistryShapshoot& record = *snapshot.GetKey(k);
        if (walk.visited.count(&record) || !CreateMissingKey(walk, record))
            continue;
        // Only what lies below the guard's key is filled in; whatever else a
        // damaged file names is never written to.
        if (record.Name.compare(0, below.size(), below) != 0)
            continue;
        String path = record.Name;
        while (!path.empty() && path.back() == '\\')
            path.pop_back();
        RestoreKeyTree(walk, path);
    }
    if (!armed)
        Rearm(index);  // the guard's own key was missing: it is there now
    watches_[static_cast<size_t>(index)].restored = report.wrote;
    Tell(report);
}

bool TRegMonitorThread::CreateMissingKey(TRestoreWalk& walk, const TRegistryShapshoot& record)
{
    if (record.Name.empty())
        return false;  // no snapshot at all
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(walk.root));
    if (registry.KeyExists(record.Name))
        return false;
    if (walk.probe) {
        walk.found = true;
        return false;
    }
    const bool made = registry.OpenKey(record.Name, true);
    Note(walk.report, llWarning, 52, "'%s' key does not exist. Creating it...", {record.Name});
    if (made) {
        Note(walk.report, llSuccess, 53, "'%s' key is created.", {record.Name});
        walk.report.wrote = true;
        walk.report.attention = true;
    }
    return made;
}

void TRegMonitorThread::RestoreKeyTree(TRestoreWalk& walk, const String& path)
{
    const TRegistryShapshoot* record = walk.snapshot.FindKey(path + "\\");
    if (!record)
        return;  // nothing stored for this key: nothing to restore, nothing to delete
    TRegistry registry(walk.probe ? KEY_READ : KEY_ALL_ACCESS);
    registry.SetRootKey(RootKeyHandle(walk.root));
    if (!registry.OpenKey(path, !walk.probe)) {
        walk.found = walk.probe;  // a restore would make it
        return;
    }
    walk.visited.insert(record);
    const String keyText = RootAbbreviation(walk.root) + path;

    // The values first, the subkeys after; the lines of the values come
    // after the subkeys' all the same.
    std::vector<TLogLine> valueLines;
    RestoreKeyValues(walk, registry, *record, keyText, valueLines);

    std::vector<String> names;
    if (!walk.found && registry.GetKeyNames(names)) {
        for (const String& name : names) {
            if (walk.found)
                return;
            if (walk.snapshot.FindKey(path + "\\" + name + "\\")) {
                RestoreKeyTree(walk, path + "\\" + name);
                continue;
            }
            if (!walk.mayDelete)
                continue;
            if (walk.probe) {
                walk.found = true;
                return;
            }
            const bool deleted = registry.DeleteSubKeyTree(name);
            Note(walk.report, llPlain, 54, "New key with '%s' name are found. Deleting it...", {keyText + "\\" + name});
            if (deleted) {
                Note(walk.report, llSuccess, 55, "The key with a '%s' name removed from registry.",
                     {keyText + "\\" + name});
                walk.report.wrote = true;
            }
            walk.report.attention = true;
        }
    }
    walk.report.lines.insert(walk.report.lines.end(), valueLines.begin(), valueLines.end());
}

void TRegMonitorThread::RestoreKeyValues(TRestoreWalk& walk, TRegistry& registry, const TRegistryShapshoot& record,
                                         const String& keyText, std::vector<TLogLine>& lines)
{
    // A few stored values are read one by one, so a changed one is back
    // after a single read; a key of more is read in one enumeration.
    constexpr int kReadOneByOne = 4;
    std::vector<TRegistry::TRawValue> all;
    const bool enumerated = record.ValueCount() > kReadOneByOne && registry.GetValues(all);
    if (!enumerated)
        all.clear();
    std::map<String, const TRegistry::TRawValue*> byName;  // exact names, as the records hold them
    std::set<String> present;                              // upper-cased: the registry ignores case
    for (const TRegistry::TRawValue& value : all) {
        byName.emplace(value.name, &value);
        present.insert(UpperCase(value.name));
    }

    // Changed values go back first, as soon as they are read.
    for (int v = 0; v < record.ValueCount(); ++v) {
        const TSnapshootValue& stored = *record.GetValue(v);
        if (stored.Type == stOther)
            continue;  // never written back
        TRegistry::TRawValue read;
        const TRegistry::TRawValue* live = nullptr;
        if (enumerated) {
            const auto found = byName.find(stored.Name);
            live = found == byName.end() ? nullptr : found->second;
        } else if (ReadLiveValue(registry.CurrentKey(), stored.Name, read)) {
            live = &read;
            present.insert(UpperCase(stored.Name));
        }
        if (!live || RawValueIsStored(*live, stored))
            continue;
        if (walk.probe) {
            walk.found = true;
            return;
        }
        if (WriteSnapshotValue(registry, stored))
            walk.report.wrote = true;
    }

    // Values the snapshot lacks are deleted; a value's name compares
    // exactly, as the records hold it.
    std::vector<String> names;
    if (walk.mayDelete && (enumerated || registry.GetValueNames(names))) {
        if (enumerated)
            for (const TRegistry::TRawValue& value : all)
                names.push_back(value.name);
        for (const String& name : names) {
            if (record.FindValue(name))
                continue;
            if (walk.probe) {
                walk.found = true;
                return;
            }
            const bool deleted = registry.DeleteValue(name);
            if (deleted)
                present.erase(UpperCase(name));
            lines.push_back(TLogLine{Text(56, "The new '%s' value in '%s' key are found. Deleting it...", {name, keyText}),
                                     llWarning});
            if (deleted)
                lines.push_back(TLogLine{Text(57, "The '%s' value in '%s' key removed.", {name, keyText}), llSuccess});
            walk.report.wrote = walk.report.wrote || deleted;
            walk.report.attention = true;
        }
    }

    // Missing values are made again.
    for (int v = 0; v < record.ValueCount(); ++v) {
        const TSnapshootValue& stored = *record.GetValue(v);
        if (stored.Type == stOther || present.count(UpperCase(stored.Name)))
            continue;
        if (walk.probe) {
            walk.found = true;
            return;
        }
        WriteSnapshotValue(registry, stored);
        lines.push_back(TLogLine{
            Text(58, "The '%s' value in '%s' key does not exist. Creating it...", {stored.Name, keyText}), llWarning});
        lines.push_back(TLogLine{Text(59, "The '%s' value in '%s' key are created and his data is restored from snapshot.",
                                      {stored.Name, keyText}),
                                 llSuccess});
        walk.report.wrote = true;
        walk.report.attention = true;
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
        Rearm(index);
        return;
    }
    // Armed first, so a change made while the snapshot is taken is seen.
    Rearm(index);
    if (guard.AutoUpdate)
        Log(llPlain, 46, "Updating snapshot for '%s' key...", {GuardKeyText(guard)});
    if (!TakeSnapshot(index))
        Log(llWarning, 161, "The snapshot for '%s' key could not be updated: the old one stays.",
            {GuardKeyText(guard)});
    else if (guard.AutoUpdate)
        Log(llSuccess, 47, "Snapshot for '%s' key is updated.", {GuardKeyText(guard)});
}

// ---- value guards ----

void TRegMonitorThread::CheckValueGuard(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    TWatch& w = watches_[static_cast<size_t>(index)];
    // A value guard is watched again at once, before anything is read or
    // written and also while its question is open. Its key, when missing,
    // is made again only once the main form calls the guard active.
    bool asked = false;
    if (!ArmBeforeRestore(index)) {
        asked = true;
        if (!QueryActive(index)) {
            Arm(index);
            return;
        }
        Rearm(index);
    }
    const TRegistryShapshoot& snapshot = HeldSnapshot(index);
    const TSnapshootValue* stored = snapshot.FindValue(guard.ValueName);
    if (!w.key || !w.key->CurrentKey())
        return;  // its key can be neither opened nor created: only armed again
    const String keyText = GuardKeyText(guard);
    // Nothing is done before the main form has called the guard active; a
    // check that finds nothing does not ask (other values of its key change
    // too).
    const auto active = [&] { return asked || QueryActive(index); };
    TRegistry::TRawValue live;
    if (!ReadLiveValue(w.key->CurrentKey(), guard.ValueName, live)) {
        if (!stored || stored->Type == stOther || !active())
            return;
        if (guard.Reaction == grRevoke) {
            TRegistry registry;
            registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
            if (!registry.OpenKey(guard.KeyPath, true))
                return;
            WriteSnapshotValue(registry, *stored);
            TRestoreReport report;
            Note(report, llWarning, 58, "The '%s' value in '%s' key does not exist. Creating it...",
                 {guard.ValueName, keyText});
            Note(report, llSuccess, 72, "The '%s' value is created and his data is restored from snapshot.",
                 {guard.ValueName});
            report.wrote = report.attention = true;
            Tell(report);
        } else {
            const String message =
                QuestionText(73, "Signalled guard: %s\r\n\r\nThe '%s' value in '%s' key does not exist!",
                             {guard.DisplayName, guard.ValueName, keyText});
            Ask(index, ckMissingValue, message, translator_.Translate("74", "Restore data?"));
        }
        return;
    }
    if (!stored)
        return;
    const TLiveComparison c = CompareLive(live, *stored);
    if (!c.changed || !active())
        return;
    if (guard.Reaction == grRevoke) {
        // Back by the type the snapshot holds, so a changed type is restored too.
        TRegistry registry;
        registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
        const bool written = registry.OpenKey(guard.KeyPath, true) && WriteBack(registry, *stored, &live);
        TRestoreReport report;
        Note(report, llWarning, 67, "Changes for '%s' key in '%s' value are found.", {keyText, guard.ValueName});
        if (written)
            Note(report, llSuccess, 68, "Changes are forbidden.", {});
        report.wrote = report.attention = true;
        Tell(report);
        return;
    }
    Log(llWarning, 67, "Changes for '%s' key in '%s' value are found.", {keyText, guard.ValueName});
    String message;
    if (c.liveType == rdInteger)
        message = QuestionText(70,
                               "Signalled guard: %s\r\n\r\n'%s' value in '%s' key has changes:\r\n\r\n"
                               "Value from a snapshot: %u\r\nNew value: %u",
                               {guard.DisplayName, guard.ValueName, keyText, stored->AsInteger(), IntegerOf(live.data)});
    else if (c.liveType == rdBinary)
        message = QuestionText(71,
                               "Signalled guard: %s\r\n\r\n'%s' value in '%s' key has changes:\r\n\r\n"
                               "Value from a snapshot: <binary data>\r\nNew value: <binary data>",
                               {guard.DisplayName, guard.ValueName, keyText});
    else
        message = QuestionText(69,
                               "Signalled guard: %s\r\n\r\n'%s' value in '%s' key has changes:\r\n\r\n"
                               "Value from a snapshot: %s\r\nNew value: %s",
                               {guard.DisplayName, guard.ValueName, keyText, c.storedShown, c.liveShown});
    Ask(index, ckChanges, message, "Accept changes?");
}

void TRegMonitorThread::RestoreValue(int index, const TSnapshootValue& stored, bool logMissing)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    if (!registry.OpenKey(guard.KeyPath, true) || stored.Type == stOther)
        return;
    TRegistry::TRawValue live;
    const bool present = ReadLiveValue(registry.CurrentKey(), guard.ValueName, live);
    if (!present || !RawValueIsStored(live, stored))
        WriteSnapshotValue(registry, stored);
    TRestoreReport report;
    if (logMissing && !present)
        Note(report, llWarning, 50, "The value in '%s' key with a '%s' name does not exist. Creating it...",
             {GuardKeyText(guard), guard.ValueName});
    Note(report, llSuccess, 51, "Old value is restored for '%s' value in '%s' key.",
         {guard.ValueName, GuardKeyText(guard)});
    report.wrote = true;
    Tell(report);
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
    Rearm(index);  // before anything is written or taken
    if (code == acAccept && present) {
        Log(llPlain, 48, "Updating snapshot for '%s' key and his value '%s'...", {GuardKeyText(guard), guard.ValueName});
        if (TakeSnapshot(index))
            Log(llSuccess, 49, "Snapshot for value '%s' in '%s' key is updated.",
                {guard.ValueName, GuardKeyText(guard)});
        else
            Log(llWarning, 162, "The snapshot for value '%s' in '%s' key could not be updated: the old one stays.",
                {guard.ValueName, GuardKeyText(guard)});
    } else {
        // Restore, and an accepted value that has vanished meanwhile.
        if (const TSnapshootValue* stored = HeldSnapshot(index).FindValue(guard.ValueName))
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
            SendOwnMessage(mainWindow_, WM_SET_GUARD_REACTION, static_cast<WPARAM>(guard.Id), 0);
    }
    if (guard.Kind == gkKey)
        ProcessKeyAnswer(index, code);
    else
        ProcessValueAnswer(index, code);
}
