// Waiting on any number of events together with the thread's message queue,
// with no timed polling. Every slot has one auto-reset event for the set's
// whole life. One wait takes at most 63 handles beside the queue: the first
// slots are waited on directly, every further 63 by a wait thread of the
// set's own, which queues the slot that fired and wakes the owner through
// one event. Only the owning thread uses the set; the wait threads touch
// nothing but the queue and that event, and end before the set is gone.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "classlib/win_handle.h"

class TEventWaitSet {
public:
    // `slots` numbered from 0, each with its event, none signalled.
    explicit TEventWaitSet(size_t slots);
    // Ends the wait threads and waits for them before the events close.
    ~TEventWaitSet();
    TEventWaitSet(const TEventWaitSet&) = delete;
    TEventWaitSet& operator=(const TEventWaitSet&) = delete;

    size_t Count() const { return events_.size(); }
    // Null only when the system could make no event for the slot.
    HANDLE Event(size_t slot) const { return events_[slot].Get(); }
    // Signals the slot's event, so the slot is reported by a coming Wait.
    void Signal(size_t slot);
    // Drops a signal of the slot that no Wait has reported yet.
    void Reset(size_t slot);

    enum class TWake { Signalled, Input, Timeout, Nothing };
    struct TResult {
        TWake wake = TWake::Nothing;
        size_t slot = 0;  // with Signalled: whose event was set (the wait took the signal)
    };
    // Waits until a slot's event is set, input reaches the thread's queue
    // (also input that is there already), or `timeoutMs` runs out. Slots that
    // stay signalled take turns. Nothing: woken for no slot; wait again.
    TResult Wait(DWORD timeoutMs);

private:
    class TGroupWaiter;
    struct TGroup {
        size_t first = 0;
        size_t count = 0;
        std::unique_ptr<TGroupWaiter> waiter;
        std::atomic<bool> failed{false};  // its wait thread gave up (or was never made)
    };

    void StartWaiter(TGroup& group);
    // Groups without a wait thread: one is made again; meanwhile their
    // events are looked at on every wait. True while one is missing.
    bool LookAtUnwaitedGroups();
    void Report(size_t slot);
    bool TakeReported(size_t& slot);

    std::vector<TUniqueHandle> events_;
    size_t direct_;  // slots [0, direct_) are waited on by the owner itself
    std::vector<std::unique_ptr<TGroup>> groups_;
    TUniqueHandle stop_;  // manual-reset: the wait threads end
    TUniqueHandle wake_;  // auto-reset: a wait thread reported a slot
    size_t rotation_ = 0;
    std::vector<HANDLE> handles_;  // the last wait's handles and whose they are
    std::vector<size_t> owners_;
    std::mutex lock_;
    std::deque<size_t> reported_;  // slots reported by the wait threads, oldest first
    std::vector<bool> queued_;     // whether a slot is in reported_
};
