#include "guard/event_wait_set.h"

#include <algorithm>

#include "classlib/thread.h"

namespace {

// One wait takes 64 handles; the owner's also takes the queue.
constexpr size_t kOwnerHandles = MAXIMUM_WAIT_OBJECTS - 1;
constexpr size_t kGroupSlots = MAXIMUM_WAIT_OBJECTS - 1;  // beside the stop event
// A wait thread the system couldn't make is tried again this often; its
// events are looked at meanwhile.
constexpr DWORD kRestartMs = 1000;
constexpr size_t kWakeOwner = static_cast<size_t>(-1);

}  // namespace

// Waits on one group's events and reports each one that fires, until the
// set's stop event is set.
class TEventWaitSet::TGroupWaiter : public TThread {
public:
    TGroupWaiter(TEventWaitSet& set, TGroup& group) : set_(set), group_(group) {}

protected:
    void Execute() override
    {
        std::vector<HANDLE> handles;
        std::vector<size_t> owners;
        size_t rotation = 0;
        while (true) {
            handles.assign(1, set_.stop_.Get());
            owners.assign(1, kWakeOwner);
            // A slot that keeps firing can't keep the others of the group waiting.
            const size_t start = rotation++ % group_.count;
            for (size_t k = 0; k < group_.count; ++k) {
                const size_t slot = group_.first + (start + k) % group_.count;
                if (set_.events_[slot].Valid()) {
                    handles.push_back(set_.events_[slot].Get());
                    owners.push_back(slot);
                }
            }
            const auto count = static_cast<DWORD>(handles.size());
            const DWORD rc = WaitForMultipleObjects(count, handles.data(), FALSE, INFINITE);
            if (rc == WAIT_OBJECT_0)
                return;  // the set ends
            if (rc > WAIT_OBJECT_0 && rc < WAIT_OBJECT_0 + count) {
                set_.Report(owners[rc - WAIT_OBJECT_0]);
                continue;
            }
            // A wait that fails would fail again: the owner looks at these
            // events itself until a new thread waits on them.
            group_.failed = true;
            SetEvent(set_.wake_.Get());
            return;
        }
    }

private:
    TEventWaitSet& set_;
    TGroup& group_;
};

TEventWaitSet::TEventWaitSet(size_t slots) : events_(slots), queued_(slots, false)
{
    for (TUniqueHandle& event : events_)
        event.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    direct_ = slots <= kOwnerHandles ? slots : kOwnerHandles - 1;  // one handle is then the wake-up event
    if (direct_ == slots)
        return;
    stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    wake_.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    for (size_t first = direct_; first < slots; first += kGroupSlots) {
        auto group = std::make_unique<TGroup>();
        group->first = first;
        group->count = std::min(kGroupSlots, slots - first);
        StartWaiter(*group);
        groups_.push_back(std::move(group));
    }
}

TEventWaitSet::~TEventWaitSet()
{
    if (stop_.Valid())
        SetEvent(stop_.Get());
    for (const auto& group : groups_)
        if (group->waiter)
            group->waiter->WaitFor();
    groups_.clear();
}

void TEventWaitSet::StartWaiter(TGroup& group)
{
    if (group.waiter) {
        group.waiter->WaitFor();  // it has given up: gone in a moment
        group.waiter.reset();
    }
    group.failed = true;
    if (!stop_.Valid() || !wake_.Valid())
        return;  // nothing could stop or report it
    auto waiter = std::make_unique<TGroupWaiter>(*this, group);
    if (!waiter->Handle())
        return;
    group.failed = false;
    waiter->Start();
    group.waiter = std::move(waiter);
}

bool TEventWaitSet::LookAtUnwaitedGroups()
{
    bool missing = false;
    for (const auto& group : groups_) {
        if (!group->failed)
            continue;
        StartWaiter(*group);
        if (!group->failed)
            continue;
        missing = true;
        for (size_t slot = group->first; slot < group->first + group->count; ++slot)
            if (events_[slot].Valid() && WaitForSingleObject(events_[slot].Get(), 0) == WAIT_OBJECT_0)
                Report(slot);
    }
    return missing;
}

void TEventWaitSet::Signal(size_t slot)
{
    if (events_[slot].Valid())
        SetEvent(events_[slot].Get());
}

void TEventWaitSet::Reset(size_t slot)
{
    if (events_[slot].Valid())
        ResetEvent(events_[slot].Get());
    const std::lock_guard<std::mutex> hold(lock_);
    if (queued_[slot]) {
        reported_.erase(std::find(reported_.begin(), reported_.end(), slot));
        queued_[slot] = false;
    }
}

void TEventWaitSet::Report(size_t slot)
{
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (queued_[slot])
            return;  // reported already, and not taken yet
        queued_[slot] = true;
        reported_.push_back(slot);
    }
    SetEvent(wake_.Get());
}

bool TEventWaitSet::TakeReported(size_t& slot)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (reported_.empty())
        return false;
    slot = reported_.front();
    reported_.pop_front();
    queued_[slot] = false;
    // The wake-up event woke one wait; the rest of the queue wakes the next.
    if (!reported_.empty())
        SetEvent(wake_.Get());
    return true;
}

TEventWaitSet::TResult TEventWaitSet::Wait(DWORD timeoutMs)
{
    TResult result;
    const bool missing = !groups_.empty() && LookAtUnwaitedGroups();
    if (missing && TakeReported(result.slot)) {
        result.wake = TWake::Signalled;
        return result;
    }
    // The list starts at a place that moves on every round, so a slot that
    // keeps firing can't keep the others waiting; the wake-up event of the
    // wait threads takes its turn like a slot.
    handles_.clear();
    owners_.clear();
    const size_t places = direct_ + (wake_.Valid() ? 1 : 0);
    const size_t start = places > 0 ? rotation_++ % places : 0;
    for (size_t k = 0; k < places; ++k) {
        const size_t i = (start + k) % places;
        if (i == direct_) {
            handles_.push_back(wake_.Get());
            owners_.push_back(kWakeOwner);
        } else if (events_[i].Valid()) {
            handles_.push_back(events_[i].Get());
            owners_.push_back(i);
        }
    }
    const DWORD timeout = missing ? std::min(timeoutMs, kRestartMs) : timeoutMs;
    const auto count = static_cast<DWORD>(handles_.size());
    const DWORD rc = MsgWaitForMultipleObjectsEx(count, handles_.data(), timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (rc < WAIT_OBJECT_0 + count) {
        const size_t owner = owners_[rc - WAIT_OBJECT_0];
        if (owner != kWakeOwner) {
            result.wake = TWake::Signalled;
            result.slot = owner;
        } else if (TakeReported(result.slot)) {
            result.wake = TWake::Signalled;
        }
        return result;
    }
    if (rc == WAIT_OBJECT_0 + count)
        result.wake = TWake::Input;
    else if (rc == WAIT_TIMEOUT && timeout == timeoutMs)
        result.wake = TWake::Timeout;
    return result;
}
