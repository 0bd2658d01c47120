// The program's shortcut in the user's Startup folder. A TAutoStartHelper
// brackets the shell-link work with COM: initialised by the constructor,
// uninitialised by the destructor only when that initialisation counted
// (a thread already in another apartment keeps its own). Failures are
// silent for the program; the answers are there for the tests.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <utility>

#include "classlib/sysutils.h"

// An owned COM interface pointer, released exactly once.
template <class T>
class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() { Reset(); }
    TComPtr(TComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For the out parameter of CoCreateInstance, QueryInterface, ...
    void** OutVoid()
    {
        Reset();
        return reinterpret_cast<void**>(&ptr_);
    }
    T** Out()
    {
        Reset();
        return &ptr_;
    }
    void Reset()
    {
        if (ptr_)
            std::exchange(ptr_, nullptr)->Release();
    }

private:
    T* ptr_ = nullptr;
};

// A text in the system's code page as the wide text COM takes; empty when it
// can't be converted.
std::wstring WideFromAnsi(const String& text);

// COM on this thread for the scope's life. S_FALSE (already initialised on
// this thread) still needs its matching uninitialise; RPC_E_CHANGED_MODE
// does not.
class TComScope {
public:
    TComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~TComScope()
    {
        if (initialised_)
            CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool initialised_;
};

// An item list handed out by the shell, freed with the task allocator (the
// shell's own allocator).
class TShellItemList {
public:
    TShellItemList() = default;
    ~TShellItemList() { CoTaskMemFree(items_); }
    TShellItemList(const TShellItemList&) = delete;
    TShellItemList& operator=(const TShellItemList&) = delete;

    bool LoadSpecialFolder(int folder);
    LPITEMIDLIST* Out() { return &items_; }
    LPITEMIDLIST Get() const { return items_; }
    // The file-system path of the items; "" when they have none.
    String Path() const;

private:
    LPITEMIDLIST items_ = nullptr;
};

class TAutoStartHelper {
public:
    TAutoStartHelper();
    ~TAutoStartHelper();
    TAutoStartHelper(const TAutoStartHelper&) = delete;
    TAutoStartHelper& operator=(const TAutoStartHelper&) = delete;

    // The Startup folder (CSIDL_STARTUP) + "\Talmoris.lnk"; "" when the
    // shell has no such folder.
    String GetStartupShortcutPath() const;
    // Writes (or overwrites) the Startup shortcut to `target`.
    bool CreateStartupShortcut(const String& description, const String& target) const;
    bool RemoveStartupShortcut() const;
    // Saves a shell link at `linkFile` to `target` with `description` (no
    // arguments, working folder or icon), or deletes `linkFile` when `remove`.
    bool SetShortcut(const String& target, const String& linkFile, const String& description, bool remove) const;
    // Deletes the file when it exists, read-only or not, without the
    // system's critical-error boxes. True when it was deleted.
    static bool DeleteShortcutFile(const String& file);

private:
    TComScope com_;
};
