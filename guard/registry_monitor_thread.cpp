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
    if (!held.loaded) {
        held.whole = LoadGuardSnapshot(held.snapshot, *guards_.GetItem(index), dataFolder_);
        held.loaded = true;
    }
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
    held.loaded = true;
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
    if (!w.armFailed && w.active)
        Log(llWarning, 143, "The key '%s' can't be watched now; it is tried again every second.",
            {GuardKeyText(guard)});
    w.armFailed = true;
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
        if (w.armFailed && w.armed && static_cast<LONG>(now - w.retryAt) >= 0)
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
    for (size_t i = 0; i < watches_.size(); ++i)
        consider(watches_[i].armFailed && watches_[i].armed, watches_[i].retryAt);
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
    TSingleFreeze& guard = *guards_.GetItem(index);
    const LRESULT active =
        CanSend() ? SendOwnMessage(mainWindow_, WM_QUERY_GUARD, reinterpret_cast<WPARAM>(&guard), 0) : 0;
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
    if (!FindRemovedAndChanged(changes, index)) {
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

void TRegMonitorThread::RevokeKeyChanges(int index)
{
    const TSingleFreeze& guard = *guards_.GetItem(index);
    // Watched again before we write: a change made while we restore is
    // signalled too (our own writes bring one more, quiet check).
    const bool armed = ArmBeforeRestore(index);
    bool whole = false;
    const TRegistryShapshoot& snapshot = HeldSnapshot(index, &whole);
    if (!whole)
        Log(llWarning, 142,
            "The snapshot of '%s' key could not be read whole: what it holds is restored, and nothing is deleted.",
            {GuardKeyText(guard)});
    TRegistry registry;
    registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
    for (int k = 0; k < snapshot.KeyCount(); ++k) {
        const TRegistryShapshoot& record = *snapshot.GetKey(k);
        if (record.Name.empty())
            continue;
        // The guard's own key is open and watched: it stands.
        if ((armed && k == 0 && record.Name == guard.KeyPath + "\\") || registry.KeyExists(record.Name))
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
        Rearm(index);  // the guard's own key was missing: it is there now
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

    // Changed values go back first, as soon as they are read; they are
    // written without a log line, so the lines come in the same order.
    std::vector<TRegistry::TRawValue> live;
    const bool valuesRead = registry.GetValues(live);
    if (!valuesRead)
        live.clear();
    bool wroteBack = false;
    for (const TRegistry::TRawValue& value : live)
        if (const TSnapshootValue* stored = record->FindValue(value.name))
            wroteBack = WriteBack(registry, *stored, &value) || wroteBack;
    if (wroteBack)
        RefreshRegistryEditor();

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
    if (mayDelete) {
        for (const TRegistry::TRawValue& value : live) {
            const String& name = value.name;
            if (record->FindValue(name))
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
    // A value guard is watched again at once, before anything is written
    // and also while its question is open.
    Rearm(index);
    const TRegistryShapshoot& snapshot = HeldSnapshot(index);
    const TSnapshootValue* stored = snapshot.FindValue(guard.ValueName);
    if (!w.key || !w.key->CurrentKey())
        return;  // its key can be neither opened nor created: only armed again
    const String keyText = GuardKeyText(guard);
    TRegistry::TRawValue live;
    if (!ReadLiveValue(w.key->CurrentKey(), guard.ValueName, live)) {
        if (!stored || stored->Type == stOther)
            return;
        if (guard.Reaction == grRevoke) {
            TRegistry registry;
            registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
            if (!registry.OpenKey(guard.KeyPath, true))
                return;
            Log(llWarning, 58, "The '%s' value in '%s' key does not exist. Creating it...", {guard.ValueName, keyText});
            WriteBack(registry, *stored);
            Log(llSuccess, 72, "The '%s' value is created and his data is restored from snapshot.", {guard.ValueName});
            RefreshRegistryEditor();
            SignalAttention();
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
    if (!c.changed)
        return;
    const auto logFound = [&] {
        Log(llWarning, 67, "Changes for '%s' key in '%s' value are found.", {keyText, guard.ValueName});
    };
    if (guard.Reaction == grRevoke) {
        // Back by the type the snapshot holds, so a changed type is restored too.
        TRegistry registry;
        registry.SetRootKey(RootKeyHandle(RootKeyOfGuard(&guard)));
        const bool written = registry.OpenKey(guard.KeyPath, true) && WriteBack(registry, *stored, &live);
        logFound();
        if (written)
            Log(llSuccess, 68, "Changes are forbidden.", {});
        RefreshRegistryEditor();
        SignalAttention();
        return;
    }
    logFound();
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
