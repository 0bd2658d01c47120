#include "ui/frame_settings.h"

#include <algorithm>

#include "classlib/font.h"
#include "classlib/form_building.h"
#include "classlib/sysutils.h"
#include "controls/skin_helpers.h"
#include "guard/interface_translator.h"
#include "ui/main_form.h"
#include "ui/message_box_form.h"
#include "ui/page_tabs.h"

namespace {

constexpr TColor kFrameColour = 0x909090;
constexpr TColor kGroupColour = 0xF5F5F5;
constexpr TColor kTitleColour = 8537638;
constexpr int kHighestPort = 65535;
constexpr int kDefaultInterval = 3;  // days, for an empty or unreadable interval
constexpr int kShortestInterval = 1;

// The layout: three groups, each a title over a grey frame around a light
// panel; rows inside a panel are 22 pixels apart, a label 4 pixels below
// the top of its 21-pixel edit.
constexpr int kFrameLeft = 6, kFrameWidth = 510;
constexpr int kTitleLeft = 12;
constexpr int kBoxLeft = 11, kRightColumn = 261, kBoxWidth = 240, kBoxHeight = 17;
constexpr int kNumberLeft = 409, kNumberWidth = 50, kEditHeight = 21, kLabelDrop = 4;

// A label that looks disabled when it is, as the check boxes do: the
// proxy and interval labels grey out with their edits.
class TPageLabel : public TLabel {
public:
    using TLabel::TLabel;

    void SetEnabled(bool enabled) override
    {
        if (enabled == Enabled())
            return;
        TLabel::SetEnabled(enabled);
        Invalidate();
    }
    void Paint(HDC dc) override
    {
        if (Enabled()) {
            TLabel::Paint(dc);
            return;
        }
        TSelectFont font(dc, Font());
        SetBkMode(dc, TRANSPARENT);
        RECT shadow{1, 1, Width() + 1, Height() + 1};
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(dc, Caption().c_str(), -1, &shadow, DT_LEFT | DT_TOP | DT_NOCLIP);
        RECT area{0, 0, Width(), Height()};
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, Caption().c_str(), -1, &area, DT_LEFT | DT_TOP | DT_NOCLIP);
    }
};

TLabel& PlaceLabel(TframeSettings& page, TWinControl& parent, const char* name, const char* caption, int left,
                   int top)
{
    TLabel& label = Place<TPageLabel>(page, parent, name, left, top, 0, 0);
    label.SetAutoSize(true);
    label.SetCaption(caption);
    return label;
}

TLabel& PlaceTitle(TframeSettings& page, const char* name, const char* caption, int top)
{
    TLabel& title = PlaceLabel(page, page, name, caption, kTitleLeft, top);
    title.SetFont(TFont("Tahoma", -11, fsBold, kTitleColour));
    return title;
}

// A group's grey frame: a panel one pixel larger all round than the light
// panel inside it, which holds the group's controls.
TPanel& PlaceFrame(TframeSettings& page, const char* name, int top, int height)
{
    TPanel& frame = Place<TPanel>(page, name, kFrameLeft, top, kFrameWidth, height);
    frame.SetColor(kFrameColour);
    return frame;
}

TPanel& PlaceGroup(TframeSettings& page, TPanel& frame, const char* name)
{
    TPanel& group = Place<TPanel>(page, frame, name, 1, 1, frame.Width() - 2, frame.Height() - 2);
    group.SetColor(kGroupColour);
    return group;
}

TBitCheckBox& PlaceBox(TframeSettings& page, TPanel& group, const char* name, const char* caption, int left,
                       int top)
{
    TBitCheckBox& box = Place<TBitCheckBox>(page, group, name, left, top, kBoxWidth, kBoxHeight);
    box.SetCaption(caption);
    return box;
}

TFlatEdit& PlaceEdit(TframeSettings& page, TPanel& group, const char* name, int left, int top, int width,
                     int maxLength)
{
    TFlatEdit& edit = Place<TFlatEdit>(page, group, name, left, top, width, kEditHeight);
    edit.SetBorderColor(clGray);
    edit.SetColor(TframeSettings::kEnabledEdit);
    edit.SetMaxLength(maxLength);
    return edit;
}

// An edit and its label usable or not, the edit white or grey to match.
void EnableEdit(TFlatEdit& edit, TLabel& label, bool enabled)
{
    edit.SetEnabled(enabled);
    edit.SetColor(enabled ? TframeSettings::kEnabledEdit : TframeSettings::kDisabledEdit);
    label.SetEnabled(enabled);
}

}  // namespace

TframeSettings::TframeSettings(TComponent* owner, TfmMain& main, HMODULE pictures)
    : TFrame(owner),
      tsTabs(Place<TAdvTabSet>(*this, "tsTabs", -1, 9, 553, 21)),
      Label3(PlaceTitle(*this, "Label3", "General settings", 36)),
      plGeneralFrame(PlaceFrame(*this, "plGeneralFrame", 52, 82)),
      plGeneral(PlaceGroup(*this, plGeneralFrame, "plGeneral")),
      cbAutoStartFreeze(PlaceBox(*this, plGeneral, "cbAutoStartFreeze", "Autorun protection when start", kBoxLeft, 9)),
      cbMinimizeToTray(PlaceBox(*this, plGeneral, "cbMinimizeToTray", "Start minimized", kBoxLeft, 31)),
      cbAutoStartWithOS(PlaceBox(*this, plGeneral, "cbAutoStartWithOS", "Automatically start with OS", kBoxLeft, 53)),
      cbAskConfirmation(
          PlaceBox(*this, plGeneral, "cbAskConfirmation", "Ask confirmation for deletion", kRightColumn, 9)),
      cbShowHints(PlaceBox(*this, plGeneral, "cbShowHints", "Show hints", kRightColumn, 31)),
      Label2(PlaceTitle(*this, "Label2", "Live Update settings", 140)),
      plLiveUpdateFrame(PlaceFrame(*this, "plLiveUpdateFrame", 156, 62)),
      plLiveUpdate(PlaceGroup(*this, plLiveUpdateFrame, "plLiveUpdate")),
      cbUseProxy(PlaceBox(*this, plLiveUpdate, "cbUseProxy", "Use HTTP-proxy", kBoxLeft, 8)),
      lblProxyAddress(PlaceLabel(*this, plLiveUpdate, "lblProxyAddress", "Proxy address:", 29, 31 + kLabelDrop)),
      edProxyAddress(PlaceEdit(*this, plLiveUpdate, "edProxyAddress", 119, 31, 200, 255)),
      lblProxyPort(PlaceLabel(*this, plLiveUpdate, "lblProxyPort", "Proxy port:", 339, 31 + kLabelDrop)),
      edProxyPort(PlaceEdit(*this, plLiveUpdate, "edProxyPort", kNumberLeft, 31, kNumberWidth, kPortDigits)),
      Label4(PlaceTitle(*this, "Label4", "Automatic updates", 224)),
      plUpdatesFrame(PlaceFrame(*this, "plUpdatesFrame", 240, 38)),
      plUpdates(PlaceGroup(*this, plUpdatesFrame, "plUpdates")),
      cbEnableAutoUpdates(
          PlaceBox(*this, plUpdates, "cbEnableAutoUpdates", "Automatically check for updates", kBoxLeft, 9)),
      lblPollInterval(PlaceLabel(*this, plUpdates, "lblPollInterval", "Poll interval, days:", 299, 7 + kLabelDrop)),
      edPollInterval(PlaceEdit(*this, plUpdates, "edPollInterval", kNumberLeft, 7, kNumberWidth, kIntervalDigits)),
      btnSaveSettings(Place<TThreeStateButton>(*this, "btnSaveSettings", 416, 283, 100, 27)),
      main_(main)
{
    SetName("frameSettings");
    SetColor(kPageColour);
    // Set again: the frames' colour reached the light panels when they were placed.
    for (TPanel* group : {&plGeneral, &plLiveUpdate, &plUpdates})
        group->SetColor(kGroupColour);

    SetUpPageTabs(tsTabs, pictures, {"Program Settings"});

    cbAutoStartWithOS.SetHint("Autostart with OS");
    cbShowHints.SetHint("Show floating hints");
    cbUseProxy.SetHint("Use proxy server for connection");
    edProxyAddress.SetHint("Proxy server address");
    edProxyPort.SetHint("Proxy server port");
    cbEnableAutoUpdates.SetHint("Automatically check for database and program updates");
    edPollInterval.SetHint("Interval between checks");
    btnSaveSettings.SetHint("Save program settings");

    cbUseProxy.OnClick = [this](TControl&) { cbUseProxyClick(); };
    cbEnableAutoUpdates.OnClick = [this](TControl&) { cbEnableAutoUpdatesClick(); };

    LoadSkinBitmaps(btnSaveSettings, "SAVESETTINGS", "BM_COORD", pictures);
    btnSaveSettings.SetTransparent(true);
    btnSaveSettings.OnClick = [this](TControl&) { btnSaveSettingsClick(); };
}

TframeSettings::~TframeSettings()
{
    cbUseProxy.OnClick = nullptr;
    cbEnableAutoUpdates.OnClick = nullptr;
    btnSaveSettings.OnClick = nullptr;
}

void TframeSettings::ShowSettings(const TSettings& settings)
{
    cbAutoStartFreeze.SetChecked(settings.AutoActivateFreezeWhenStart);
    cbMinimizeToTray.SetChecked(settings.MinimizeToTrayWhenStart);
    cbAutoStartWithOS.SetChecked(settings.AutoStartWithOS);
    cbAskConfirmation.SetChecked(settings.AskConfirmation);
    cbShowHints.SetChecked(settings.ShowHints);
    cbUseProxy.SetChecked(settings.UseProxy);
    edProxyAddress.SetText(settings.ProxyAddress);
    edProxyPort.SetText(IntToStr(settings.ProxyPort));
    edPollInterval.SetText(IntToStr(settings.CheckUpdatesInterval));
    cbEnableAutoUpdates.SetChecked(settings.AutomaticallyCheckUpdates);
    cbEnableAutoUpdatesClick();
    cbUseProxyClick();
    // Only now: the numbers set above need not be digits-only to be shown.
    for (TFlatEdit* edit : {&edProxyPort, &edPollInterval}) {
        const HWND window = edit->Handle();
        SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) | ES_NUMBER);
    }
}

void TframeSettings::btnSaveSettingsClick()
{
    // Five digits allow more than a port can be: such a port is not stored,
    // nor anything else, until the user corrects it.
    const int port = StrToIntDef(edProxyPort.Text(), 0);
    if (port < 0 || port > kHighestPort) {
        ShowMessageBox(&main_.Translator(),
                       TranslateString(190, "Please specify a proxy port from 1 to 65535, or leave it empty."), "",
                       MB_ICONINFORMATION, false, main_.Pictures());
        if (edProxyPort.Enabled() && edProxyPort.HandleAllocated())
            SetFocus(edProxyPort.Handle());
        return;
    }

    TSettings& settings = *main_.GetSettings();
    settings.AutoActivateFreezeWhenStart = cbAutoStartFreeze.Checked();
    settings.MinimizeToTrayWhenStart = cbMinimizeToTray.Checked();
    settings.AutoStartWithOS = cbAutoStartWithOS.Checked();
    settings.AskConfirmation = cbAskConfirmation.Checked();
    settings.ShowHints = cbShowHints.Checked();
    settings.UseProxy = cbUseProxy.Checked();
    settings.ProxyAddress = edProxyAddress.Text();
    settings.ProxyPort = port;
    settings.AutomaticallyCheckUpdates = cbEnableAutoUpdates.Checked();
    settings.CheckUpdatesInterval =
        std::max(StrToIntDef(edPollInterval.Text(), kDefaultInterval), kShortestInterval);
    edPollInterval.SetText(IntToStr(settings.CheckUpdatesInterval));

    SaveSettings(settings);
    main_.ApplySettings();
}

void TframeSettings::cbUseProxyClick()
{
    const bool useProxy = cbUseProxy.Checked();
    EnableEdit(edProxyAddress, lblProxyAddress, useProxy);
    EnableEdit(edProxyPort, lblProxyPort, useProxy);
}

void TframeSettings::cbEnableAutoUpdatesClick()
{
    EnableEdit(edPollInterval, lblPollInterval, cbEnableAutoUpdates.Checked());
}
