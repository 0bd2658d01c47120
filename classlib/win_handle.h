// An owned kernel handle (thread, event, file, mapping): closed exactly once.
#pragma once

#include <windows.h>

#include <utility>

class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(HANDLE handle) : handle_(handle) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    // CreateFile answers INVALID_HANDLE_VALUE, most others null: both are "none".
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    HANDLE Release() { return std::exchange(handle_, nullptr); }
    void Reset(HANDLE handle = nullptr)
    {
        if (Valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// A handle that has a closing function of its own and answers
// INVALID_HANDLE_VALUE for "none": a search (FindClose), a change
// notification (FindCloseChangeNotification).
template <BOOL(WINAPI* Close)(HANDLE)>
class TClosedHandle {
public:
    TClosedHandle() = default;
    explicit TClosedHandle(HANDLE handle) : handle_(handle) {}
    ~TClosedHandle() { Reset(); }
    TClosedHandle(const TClosedHandle&) = delete;
    TClosedHandle& operator=(const TClosedHandle&) = delete;

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (Valid())
            Close(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

using TFindHandle = TClosedHandle<FindClose>;
using TChangeNotificationHandle = TClosedHandle<FindCloseChangeNotification>;

// A mapped view of a file, unmapped on destruction.
class TMappedView {
public:
    TMappedView() = default;
    explicit TMappedView(void* view) : view_(view) {}
    ~TMappedView()
    {
        if (view_)
            UnmapViewOfFile(view_);
    }
    TMappedView(const TMappedView&) = delete;
    TMappedView& operator=(const TMappedView&) = delete;

    const void* Get() const { return view_; }
    void* Data() { return view_; }
    bool Valid() const { return view_ != nullptr; }

private:
    void* view_ = nullptr;
};

// An open registry key, closed once. Out() is for the system call that
// opens it.
class TUniqueKey {
public:
    TUniqueKey() = default;
    ~TUniqueKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    TUniqueKey(const TUniqueKey&) = delete;
    TUniqueKey& operator=(const TUniqueKey&) = delete;

    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
