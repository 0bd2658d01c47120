#include "classlib/own_messages.h"

#include <mutex>
#include <set>
#include <tuple>

namespace {

using TSend = std::tuple<UINT, WPARAM, LPARAM>;

struct TSendsUnderWay {
    std::mutex lock;
    std::multiset<TSend> sends;
};

TSendsUnderWay& Sends()
{
    static TSendsUnderWay sends;  // built on first use, before any thread sends
    return sends;
}

// Records one send for as long as it is handled.
class TRecordedSend {
public:
    explicit TRecordedSend(const TSend& send)
    {
        TSendsUnderWay& all = Sends();
        const std::lock_guard<std::mutex> guard(all.lock);
        entry_ = all.sends.insert(send);
    }
    ~TRecordedSend()
    {
        TSendsUnderWay& all = Sends();
        const std::lock_guard<std::mutex> guard(all.lock);
        all.sends.erase(entry_);
    }
    TRecordedSend(const TRecordedSend&) = delete;
    TRecordedSend& operator=(const TRecordedSend&) = delete;

private:
    std::multiset<TSend>::iterator entry_;
};

}  // namespace

LRESULT SendOwnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TRecordedSend recorded({message, wParam, lParam});
    return SendMessageA(window, message, wParam, lParam);
}

bool IsOwnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    TSendsUnderWay& all = Sends();
    const std::lock_guard<std::mutex> guard(all.lock);
    return all.sends.count({message, wParam, lParam}) != 0;
}
