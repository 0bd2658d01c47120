// A stand-in for the system's registry editor in tests: a top window of the
// editor's class "RegEdit_RegEdit" with a tree view and a list view, laid
// out as its command line says:
//   "windows"  both directly below the top window (Windows' editor)
//   "nested"   both below an inner child window (Wine's editor)
//   "nolist"   the tree alone
//   "hang"     as "windows", but the tree stops answering at its first key
// Every key (WM_KEYDOWN) and character (WM_CHAR) that reaches one of its
// windows is appended as a line to %TALMORIS_FAKE_REGEDIT_LOG%:
//   "<tree|list|frame|inner> key <HOME|RIGHT|code>"  or  "<...> char <c>"
// written before the message is answered, so a sender that got its answer
// finds the line there.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string g_mode;
WNDPROC g_treeProc = nullptr;
WNDPROC g_listProc = nullptr;

void Record(const char* who, UINT message, WPARAM wParam)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("TALMORIS_FAKE_REGEDIT_LOG", path, sizeof path))
        return;
    FILE* log = std::fopen(path, "ab");
    if (!log)
        return;
    if (message == WM_CHAR)
        std::fprintf(log, "%s char %c\n", who, static_cast<char>(wParam));
    else if (wParam == VK_HOME)
        std::fprintf(log, "%s key HOME\n", who);
    else if (wParam == VK_RIGHT)
        std::fprintf(log, "%s key RIGHT\n", who);
    else
        std::fprintf(log, "%s key %u\n", who, static_cast<unsigned>(wParam));
    std::fclose(log);
}

bool IsTyping(UINT message) { return message == WM_KEYDOWN || message == WM_CHAR; }

LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsTyping(message)) {
        Record("tree", message, wParam);
        if (g_mode == "hang")
            Sleep(INFINITE);
    }
    return CallWindowProcA(g_treeProc, window, message, wParam, lParam);
}

LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsTyping(message))
        Record("list", message, wParam);
    return CallWindowProcA(g_listProc, window, message, wParam, lParam);
}

LRESULT CALLBACK InnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsTyping(message))
        Record("inner", message, wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

void MakeViews(HWND parent, HINSTANCE instance)
{
    const HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASLINES,
                                      0, 0, 200, 300, parent, nullptr, instance, nullptr);
    g_treeProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeProc)));
    for (const char* root : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                             "HKEY_CURRENT_CONFIG"}) {
        TVINSERTSTRUCTA item{};
        item.hParent = TVI_ROOT;
        item.hInsertAfter = TVI_LAST;
        item.item.mask = TVIF_TEXT;
        item.item.pszText = const_cast<char*>(root);
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (g_mode == "nolist")
        return;
    const HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT,
                                      200, 0, 300, 300, parent, nullptr, instance, nullptr);
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsTyping(message))
        Record("frame", message, wParam);
    if (message == WM_CREATE) {
        const HINSTANCE instance = reinterpret_cast<const CREATESTRUCTA*>(lParam)->hInstance;
        if (g_mode == "nested")
            MakeViews(CreateWindowExA(0, "FakeRegEdit_Inner", "", WS_CHILD | WS_VISIBLE, 0, 0, 500, 300, window,
                                      nullptr, instance, nullptr),
                      instance);
        else
            MakeViews(window, instance);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_mode = commandLine;
    if (const size_t blank = g_mode.find(' '); blank != std::string::npos)
        g_mode.erase(blank);
    if (g_mode.empty())
        g_mode = "windows";
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSA inner{};
    inner.lpfnWndProc = InnerProc;
    inner.hInstance = instance;
    inner.lpszClassName = "FakeRegEdit_Inner";
    RegisterClassA(&inner);
    WNDCLASSA frame{};
    frame.lpfnWndProc = FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.lpszClassName = "RegEdit_RegEdit";
    if (!RegisterClassA(&frame))
        return 2;
    const HWND window = CreateWindowExA(0, "RegEdit_RegEdit", "Registry Editor", WS_OVERLAPPEDWINDOW, 40, 40, 520,
                                        340, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 3;
    ShowWindow(window, SW_SHOWNOACTIVATE);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
