#include "ui/registry_editor_opener.h"

#include "classlib/win_handle.h"
#include "ui/shell_open.h"

namespace {

constexpr char kEditorClass[] = "RegEdit_RegEdit";
// A freshly started editor gets this long to show its window. Wine's editor
// may never report itself idle, so the wait cannot rely on that alone.
constexpr DWORD kEditorStartMs = 5000;
// Each typed key: an editor that doesn't take it this fast is taken as hung.
// Only this bound decides, not the system's idea of hung: Wine's editor
// counts as hung while it waits for input.
constexpr DWORD kKeyAnswerMs = 2000;
// Getting the keyboard focus onto the list.
constexpr DWORD kFocusMs = 1000;

// Enough of the root node's name for the tree's type-ahead search.
const char* RootNodePrefix(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CL";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CU";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_L";
    if (root == HKEY_USERS)
        return "HKEY_U";
    if (root == HKEY_PERFORMANCE_DATA)
        return "HKEY_P";
    if (root == HKEY_CURRENT_CONFIG)
        return "HKEY_CURRENT_C";
    if (root == HKEY_DYN_DATA)
        return "HKEY_D";
    return nullptr;
}

struct TDescendantSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<TDescendantSearch*>(param);
    char name[64] = {};
    if (GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Among all descendants: Wine's editor puts its tree and list one level
// deeper than Windows' does.
HWND FindDescendant(HWND parent, const char* className)
{
    TDescendantSearch search{className, nullptr};
    EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Keys and characters sent to one window of another program, each with a
// bound; after the first one that isn't taken, nothing more is sent.
class TKeyTypist {
public:
    explicit TKeyTypist(HWND target) : target_(target) {}

    void Key(WPARAM virtualKey) { Send(WM_KEYDOWN, virtualKey); }
    void Char(char c) { Send(WM_CHAR, static_cast<unsigned char>(c)); }
    void UpperCase(const String& text)
    {
        for (char c : text)
            Char(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    bool Ok() const { return ok_; }

private:
    void Send(UINT message, WPARAM wParam)
    {
        DWORD_PTR answer = 0;
        ok_ = ok_ && SendMessageTimeoutA(target_, message, wParam, 0, SMTO_NORMAL, kKeyAnswerMs,
                                         &answer) != 0;
    }

    HWND target_;
    bool ok_ = true;
};

// This thread shares the input state of another one while it lives, so
// that it may move the focus among that thread's windows.
class TAttachedInput {
public:
    explicit TAttachedInput(DWORD otherThread) : own_(GetCurrentThreadId()), other_(otherThread)
    {
        attached_ = other_ != 0 && other_ != own_ && AttachThreadInput(own_, other_, TRUE);
    }
    ~TAttachedInput()
    {
        if (attached_)
            AttachThreadInput(own_, other_, FALSE);
    }
    TAttachedInput(const TAttachedInput&) = delete;
    TAttachedInput& operator=(const TAttachedInput&) = delete;

private:
    DWORD own_;
    DWORD other_;
    bool attached_ = false;
};

HWND FindEditorWindow() { return FindWindowA(kEditorClass, nullptr); }

bool TypeKeyPath(HWND tree, const char* rootPrefix, const String& keyPath)
{
    TKeyTypist typist(tree);
    typist.Key(VK_HOME);  // the top node
    Sleep(100);
    typist.UpperCase(rootPrefix);
    // A path with a leading "\" opens the root node with that very "\".
    if (keyPath.empty() || keyPath[0] != '\\')
        typist.Key(VK_RIGHT);
    for (char c : keyPath) {
        if (c == '\\')
            typist.Key(VK_RIGHT);
        else
            typist.UpperCase(String(1, c));
    }
    return typist.Ok();
}

bool TypeValueName(HWND list, const String& valueName)
{
    const TAttachedInput input(GetWindowThreadProcessId(list, nullptr));
    Sleep(100);
    TKeyTypist typist(list);
    typist.Key(VK_HOME);
    // The value's type-ahead search works only with the focus on the list.
    const DWORD start = GetTickCount();
    for (HWND focus = GetFocus(); focus && focus != list && GetTickCount() - start < kFocusMs; focus = GetFocus()) {
        SetFocus(list);
        Sleep(10);
    }
    typist.UpperCase(valueName);
    return typist.Ok();
}

}  // namespace

HWND FindRegistryEditor()
{
    if (HWND editor = FindEditorWindow())
        return editor;
    TShellOpenRequest request;
    request.verb = "open";
    request.file = "Regedit.exe";
    request.show = SW_SHOWNORMAL;
    request.wantProcess = true;
    const TShellOpenResult started = CurrentShellOpener().Open(request);
    if (!started.started)
        return nullptr;
    const DWORD start = GetTickCount();
    if (started.process.Valid())
        WaitForInputIdle(started.process.Get(), kEditorStartMs);
    for (;;) {
        if (HWND editor = FindEditorWindow())
            return editor;
        if (GetTickCount() - start >= kEditorStartMs)
            return nullptr;
        Sleep(50);
    }
}

bool OpenInRegistryEditor(HKEY root, const String& keyPath, const String& valueName)
{
    const char* rootPrefix = RootNodePrefix(root);
    if (!rootPrefix)
        return false;
    const HWND editor = FindRegistryEditor();
    if (!editor)
        return false;
    // Asynchronous: a hung editor would hold a plain ShowWindow.
    ShowWindowAsync(editor, SW_MAXIMIZE);
    SetForegroundWindow(editor);

    const HWND tree = FindDescendant(editor, "SysTreeView32");
    if (!tree || !TypeKeyPath(tree, rootPrefix, keyPath))
        return false;
    if (valueName.empty())
        return true;
    const HWND list = FindDescendant(editor, "SysListView32");
    return list && TypeValueName(list, valueName);
}
