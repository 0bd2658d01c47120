// The main form in the notification area: the tray icon and its pictures,
// the owner-drawn tray menu with its painted side strip, and the frame the
// menu window gets once it is drawn.
#include <algorithm>

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/device_context.h"
#include "classlib/menus.h"
#include "classlib/tray_icon.h"
#include "controls/three_state_button.h"
#include "ui/frame_about.h"
#include "ui/frame_freeze_list.h"
#include "ui/frame_log.h"
#include "ui/frame_settings.h"
#include "ui/main_form.h"
#include "ui/popup_menu_painter.h"

namespace {

constexpr int kStripWidth = 26;

// A colour between `from` at row 0 and (nearly) `to` at row `rows`.
COLORREF RowColour(int y, int rows, int fromR, int fromG, int fromB, int toR, int toG, int toB)
{
    return RGB(fromR + (toR - fromR) * y / rows, fromG + (toG - fromG) * y / rows, fromB + (toB - fromB) * y / rows);
}

}  // namespace

void TfmMain::BuildTrayMenu()
{
    pmTrayPopup = &Own<TPopupMenu>();
    pmTrayPopup->SetName("pmTrayPopup");
    pmTrayPopup->SetOwnerDraw(true);
    pmTrayPopup->SetImages(&imgPopupImages);
    AddFramedMenu(pmTrayPopup);

    const auto add = [this](const char* name, const char* caption, int picture, std::function<void()> action) {
        TMenuItem& item = pmTrayPopup->Add(caption);
        item.SetName(name);
        item.SetImageIndex(picture);
        if (action)
            item.OnClick = [action](TMenuItem&) { action(); };
        item.OnMeasureItem = [this](TMenuItem& i, TCanvas& c, int& w, int& h) { miPopupMeasureItem(i, c.Handle(), w, h); };
        item.OnAdvancedDrawItem = [this](TMenuItem& i, TCanvas& c, const RECT& r, TOwnerDrawState s) {
            miPopupDrawItem(i, c.Handle(), r, s);
        };
        return &item;
    };
    // Page items show their page (once it is built), then bring the window back.
    add("miRestore", "Restore", -1, [this] { miRestoreClick(); });
    add("N4", "-", -1, nullptr);
    add("miSystemScan", "System scan", 4, [this] { miRestoreClick(); });
    add("miFreezeList", "Security list", 5, [this] {
        ShowPage(frameFreezeList);
        miRestoreClick();
    });
    add("miLog", "Events log", 2, [this] {
        ShowPage(frameLog);
        miRestoreClick();
    });
    add("N5", "-", -1, nullptr);
    add("miSettings", "Program settings", 6, [this] {
        ShowPage(frameSettings);
        miRestoreClick();
    });
    add("miHelp", "Help", 1, [this] {
        ShowPage(frameAbout);
        miRestoreClick();
    });
    add("N3", "-", -1, nullptr);
    miBeginMonitoring = add("miBeginMonitoring", "Start protection", 0, [this] { btnBeginMonitoringClick(); });
    miBeginMonitoring->SetVisible(false);
    miCancelMonitoring = add("miCancelMonitoring", "Stop protection", 7, [this] { btnCancelMonitoringClick(); });
    add("N2", "-", -1, nullptr);
    add("miExit", "Exit program", -1, [this] { miExitClick(); });

    tiTrayIcon = &Own<TTrayIcon>();
    tiTrayIcon->SetName("tiTrayIcon");
    tiTrayIcon->SetHint("Talmoris");
    tiTrayIcon->SetPopupMenu(pmTrayPopup);
    tiTrayIcon->SetHide(true);
    tiTrayIcon->SetIcons(&imglTrayIcons);
    tiTrayIcon->OnMinimize = [this](TTrayIcon&) { Hide(); };
    tiTrayIcon->OnRestore = [this](TTrayIcon&) {
        Show();
        SetForegroundWindow(Handle());
        BringWindowToTop(Handle());
    };
}

void TfmMain::ChooseTrayIcons()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        const bool old = (version.dwMajorVersion == 4 && (version.dwMinorVersion == 0 || version.dwMinorVersion == 10)) ||
                         (version.dwMajorVersion == 5 && version.dwMinorVersion == 0);
        trayNormal_ = old ? 9 : 0;
        trayOdd_ = old ? 8 : 1;
        trayEven_ = old ? 10 : 2;
    }
    SetTrayImage(trayNormal_);
}

void TfmMain::SetTrayImage(int index)
{
    trayImage_ = index;
    tiTrayIcon->SetIconIndex(index);
}

void TfmMain::btnToTrayClick() { tiTrayIcon->Minimize(); }

void TfmMain::miRestoreClick() { tiTrayIcon->Restore(); }

void TfmMain::miPopupMeasureItem(TMenuItem& item, HDC dc, int& width, int& height)
{
    trayPainter_.Measure(item, dc, width, height);
}

void TfmMain::miPopupDrawItem(TMenuItem& item, HDC dc, const RECT& rect, unsigned state)
{
    // The side strip: a gradient down to the banner, painted again with every item.
    const int menuHeight = trayPainter_.MenuHeight();
    const int strip = std::max(1, banner_.Empty() ? menuHeight : menuHeight - banner_.Height());
    for (int y = 0; y < strip; ++y) {
        const TSolidBrush brush(RowColour(y, strip, 255, 255, 255, 206, 225, 255));
        const RECT row{0, y, kStripWidth, y + 1};
        FillRect(dc, &row, brush.Get());
    }
    if (!banner_.Empty())
        banner_.Draw(dc, 0, menuHeight - banner_.Height(), false, POINT{0, 0});
    trayPainter_.Draw(item, dc, rect, state);
}

void TfmMain::AddFramedMenu(const TPopupMenu* menu) { framedMenus_.push_back(menu); }

bool TfmMain::AppWindowHook(TMessage& m)
{
    if (m.Msg == WM_REFRAME_MENU && m.LParam) {
        // Only an item of our own menus: the application window's handle is
        // published, so anybody can post this message.
        for (const TPopupMenu* menu : framedMenus_)
            if (IsItemOf(menu, m.LParam)) {
                ReframeMenuWindow(*reinterpret_cast<const TMenuItem*>(m.LParam), static_cast<int>(m.WParam), Handle());
                break;
            }
    }
    if (m.Msg == WM_QUERYENDSESSION || m.Msg == WM_ENDSESSION) {
        // The session's end may reach the hidden application window only.
        EndSession(m.Msg, m.WParam, m);
        return true;
    }
    return false;  // never handled here: the application goes on with it
}
