#include "ui/main_form.h"

#include <objbase.h>

#include "classlib/application.h"
#include "classlib/cursors.h"
#include "classlib/date_time.h"
#include "classlib/file_system.h"
#include "classlib/form_building.h"
#include "classlib/format.h"
#include "classlib/menus.h"
#include "classlib/own_messages.h"
#include "classlib/tray_icon.h"
#include "controls/skin_helpers.h"
#include "controls/three_state_button.h"
#include "guard/common.h"
#include "scanner/definitions_change_file.h"
#include "scanner/update_check.h"
#include "guard/confirmation_thread.h"
#include "guard/postponed_log.h"
#include "guard/registry_utils.h"
#include "ui/control_translation.h"
#include "ui/frame_about.h"
#include "ui/frame_freeze_list.h"
#include "ui/frame_log.h"
#include "ui/frame_settings.h"
#include "ui/message_box_form.h"
#include "ui/new_hint.h"
#include "ui/page_tabs.h"
#include "ui/shell_open.h"
#include "ui/single_instance.h"

namespace {

constexpr int kClientWidth = 546;
constexpr int kClientHeight = 436;
constexpr TColor kCaptionColour = 8537638;
constexpr TCursor kLinkCursor = 5;
constexpr UINT kUpdateCheckMs = 600000;  // the first check ten minutes after start

String GuidText()
{
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid)))
        return "";
    wchar_t wide[40] = {};
    StringFromGUID2(guid, wide, 40);
    String text;
    for (const wchar_t* c = wide; *c; ++c)
        text += static_cast<char>(*c);
    return UpperCase(text);
}

// Deletes a file without the system's "insert a disk" box on a dead drive.
void DeleteQuietly(const String& fileName)
{
    const TQuietFileErrors quiet;
    DeleteFileA(fileName.c_str());
}

}  // namespace

TMainFormPlaces TMainFormPlaces::OfThisProgram()
{
    TMainFormPlaces places;
    places.programFolder = GetProgramFolder();
    places.dataFolder = GetDataFolder();
    places.pictures = GetModuleHandleA(nullptr);
    places.questions = std::make_shared<TAlertQuestionSink>(places.programFolder + "Quorvin\\quorvin.exe");
    return places;
}

TfmMain::TfmMain(TComponent* owner, TMainFormPlaces places)
    : TForm(owner),
      imgMainImage(Place<TImage>(*this, "imgMainImage", 0, 0, kClientWidth, kClientHeight)),
      lblCaption(Place<TLabel>(*this, "lblCaption", 8, 7, 300, 14)),
      lblCountFreezes(Place<TLabel>(*this, "lblCountFreezes", 374, 417, 165, 14)),
      lblHint(Place<TLabel>(*this, "lblHint", 9, 417, 364, 14)),
      plFramesHolder(Place<TPanel>(*this, "plFramesHolder", 10, 90, 523, 317)),
      btnClose(Place<TThreeStateButton>(*this, "btnClose", 523, 4, 20, 20)),
      btnToTray(Place<TThreeStateButton>(*this, "btnToTray", 503, 4, 20, 20)),
      btnScan(Place<TThreeStateButton>(*this, "btnScan", 6, 25, 73, 57)),
      btnBeginMonitoring(Place<TThreeStateButton>(*this, "btnBeginMonitoring", 83, 25, 73, 57)),
      btnCancelMonitoring(Place<TThreeStateButton>(*this, "btnCancelMonitoring", 83, 25, 73, 57)),
      btnFreezeList(Place<TThreeStateButton>(*this, "btnFreezeList", 159, 25, 73, 57)),
      btnViewLog(Place<TThreeStateButton>(*this, "btnViewLog", 235, 25, 73, 57)),
      btnSettings(Place<TThreeStateButton>(*this, "btnSettings", 311, 25, 73, 57)),
      btnHelp(Place<TThreeStateButton>(*this, "btnHelp", 387, 25, 73, 57)),
      tmBlinkTimer(Own<TTimer>()),
      tmCheckUpdateTimer(Own<TTimer>()),
      places_(std::move(places))
{
    SetName("fmMain");
    SetBounds(0, 0, kClientWidth, kClientHeight);
    SetKeyPreview(true);
    SetFont(TFont("Tahoma", -11, 0, clBlack));
    OnClose = [this](TForm& form, TCloseAction& action) { FormClose(form, action); };
    OnKeyUp = [this](TControl& c, WORD& key, TShiftState shift) { FormKeyUp(c, key, shift); };

    lblCaption.SetFont(TFont("Tahoma", -11, fsBold, kCaptionColour));
    lblCountFreezes.SetAlignment(TAlignment::taRightJustify);
    plFramesHolder.SetColor(kPageColour);
    btnScan.SetHint("System scan");
    btnBeginMonitoring.SetHint("Start protection");
    btnCancelMonitoring.SetHint("Stop protection");
    btnFreezeList.SetHint("Show security list");
    btnViewLog.SetHint("Show events log");
    btnSettings.SetHint("Adjust program settings");
    btnHelp.SetHint("Help/About information");
    btnBeginMonitoring.SetVisible(false);

    btnClose.OnClick = [this](TControl&) { miExitClick(); };
    btnToTray.OnClick = [this](TControl&) { btnToTrayClick(); };
    btnBeginMonitoring.OnClick = [this](TControl&) { btnBeginMonitoringClick(); };
    btnCancelMonitoring.OnClick = [this](TControl&) { btnCancelMonitoringClick(); };
    btnViewLog.OnClick = [this](TControl&) { ShowPage(frameLog); };
    btnFreezeList.OnClick = [this](TControl&) { ShowPage(frameFreezeList); };
    btnHelp.OnClick = [this](TControl&) { ShowPage(frameAbout); };
    btnSettings.OnClick = [this](TControl&) { ShowPage(frameSettings); };
    imgMainImage.OnMouseMove = [this](TControl& c, TShiftState s, int x, int y) { imgMainImageMouseMove(c, s, x, y); };
    lblCaption.OnMouseMove = [this](TControl& c, TShiftState s, int x, int y) {
        imgMainImageMouseMove(c, s, x + lblCaption.Left(), y + lblCaption.Top());
    };

    tmBlinkTimer.SetEnabled(false);
    tmBlinkTimer.SetInterval(125);
    tmBlinkTimer.OnTimer = [this](TTimer& timer) { tmBlinkTimerTimer(timer); };
    tmCheckUpdateTimer.SetInterval(10000);
    tmCheckUpdateTimer.OnTimer = [this](TTimer& timer) { tmCheckUpdateTimerTimer(timer); };

    BuildTrayMenu();
    InstallMessageHandlers();
    try {
        FormCreate();
    } catch (...) {
        // The destructor won't run: nothing registered may point at us.
        ReleaseRegistrations();
        throw;
    }
}

void TfmMain::ReleaseRegistrations() noexcept
{
    try {
        StopMonitoring();
    } catch (...) {
        // The monitor ends with the process all the same.
    }
    if (appHook_ >= 0)
        TApplication::Instance().UnhookMainWindow(appHook_);
    appHook_ = -1;
    TApplication::Instance().OnHint = nullptr;
    RegisterTextTranslator(nullptr);
}

TfmMain::~TfmMain()
{
    destroying_ = true;
    try {
        FormDestroy();
    } catch (...) {
        // A destructor never raises: the last steps tell what went wrong.
        TApplication::Instance().HandleException();
        ReleaseRegistrations();
    }
}

void TfmMain::FormCreate()
{
    const HMODULE pictures = places_.pictures;
    const struct {
        TThreeStateButton& button;
        const char* skin;
    } toolbar[] = {{btnBeginMonitoring, "TBSTARTGUARD"}, {btnHelp, "TBHELP"},   {btnFreezeList, "TBSECLIST"},
                   {btnViewLog, "TBLOG"},                {btnScan, "TBSCAN"},   {btnSettings, "TBSETT"},
                   {btnCancelMonitoring, "TBSTOPGUARD"}};
    for (const auto& entry : toolbar)
        LoadSkinBitmaps(entry.button, entry.skin, "BM_TBCOORD", pictures);
    LoadSkinBitmaps(btnClose, "CLOSE", "BM_CLOSECOORD", pictures);
    LoadSkinBitmaps(btnToTray, "TOTRAY", "BM_CLOSECOORD", pictures);
    imgMainImage.SetPicture(RequiredPicture(pictures, "BM_MAIN"));
    imglTrayIcons.AddStrip(RequiredPicture(pictures, "BM_TRAYICONS"));
    imgPopupImages.AddStrip(RequiredPicture(pictures, "BM_POPUPIMAGES"));
    imglScrollBitmaps.AddStrip(RequiredPicture(pictures, "BM_SCROLL"));
    if (HRGN region = CreateRegionFromBitmap(imgMainImage.Picture().Handle(), 0, 0))
        SetWindowRgn(Handle(), region, FALSE);  // the window owns the region from here
    CenterOnScreen();

    ChooseTrayIcons();
    TApplication& application = TApplication::Instance();
    appHook_ = application.HookMainWindow([this](TMessage& m) { return AppWindowHook(m); });
    taskbarMessage_ = RegisterWindowMessageA("TaskbarCreated");
    if (taskbarMessage_)
        SetMessageHandler(taskbarMessage_, [this](TMessage& m) {
            // The shell's taskbar was made anew: our icon must be added again.
            tiTrayIcon->SetVisible(false);
            tiTrayIcon->SetVisible(true);
            DefaultHandler(m);
            return true;
        });
    RegisterCursor(kLinkCursor, LoadCursorA(nullptr, IDC_HAND));
    application.SetHintWindowClass([] { return std::make_unique<TNewHint>(); });
    application.OnHint = [this] { lblHint.SetCaption(TApplication::Instance().Hint()); };
    application.SetHintColor(0xFDFDFD);

    LoadSettings(settings_);
    banner_.LoadFromResourceName(pictures, "BANNER");
    translator_.LoadFromFile(InterfaceFileName(places_.programFolder));
    RegisterTextTranslator(&translator_);
    if (settings_.LastSystemScan.empty())
        settings_.LastSystemScan = TranslateString(204, "Unknown");

    const String quorvin = places_.programFolder + "Quorvin\\quorvin.exe";
    if (!FileExists(quorvin)) {
        ShowMessageBox(&translator_,
                       "Unable to find quorvin.exe file!\r\n\r\nInstallation is corrupted! Please reinstall application.",
                       "", MB_ICONINFORMATION, false, pictures);
        application.Terminate();
        return;
    }

    ForceDirectories(places_.dataFolder);  // the lists are written there
    guards_ = std::make_unique<TFreezeList>();
    // A list that couldn't be read (another program holding it, say) is
    // still the user's: nothing of this run may write over it.
    freezeListWritable_ =
        LoadFreezeListKeepingDamage(*guards_, places_.dataFolder + "freeze.list") != TFreezeListLoad::Unreadable;

    // The file protections, with the folder of their lists and copies.
    const String protectionFolder = places_.dataFolder + "protection\\";
    ForceDirectories(protectionFolder);
    if (DirectoryExists(protectionFolder)) {
        const String alertProgram = places_.alertProgram.empty() ? quorvin : places_.alertProgram;
        protections_ = std::make_unique<TProtectionList>(protectionFolder, Handle(), TAlertLauncher(alertProgram));
        protectionListPath_ = places_.dataFolder + "protection.list";
        protectionListWritable_ = protections_->LoadFromFile(protectionListPath_) != TProtectionListLoad::Unreadable;
        protections_->StartEnabled();
    }

    for (TThreeStateButton* button : {&btnCancelMonitoring, &btnBeginMonitoring, &btnFreezeList, &btnViewLog,
                                      &btnSettings, &btnHelp, &btnToTray, &btnClose, &btnScan})
        button->SetTransparent(false);

    CreatePages();
    LoadDefinitions();
    lblCaption.SetCaption(frameAbout ? frameAbout->lblTalmorisVersion.Caption() : application.Title());
    ShowPage(frameLog);
    UpdateGuardCount();
    for (const TLogLine& line : TakePostponedLogLines())
        AddLogLine(line.text, line.level);
    if (!freezeListWritable_)
        AddLogLine(TranslateFormat(153,
                                   "The guard list %s is not written in this run, so that nothing in it is lost: "
                                   "changes to the guards last only until the program ends.",
                                   {places_.dataFolder + "freeze.list"}),
                   llWarning);

    if (settings_.AutoActivateFreezeWhenStart)
        btnBeginMonitoringClick();
    else
        btnCancelMonitoringClick();

    SetForegroundWindow(Handle());
    tiTrayIcon->SetVisible(true);
    if (!settings_.MinimizeToTrayWhenStart || settings_.FirstStart) {
        SetVisible(true);
        ShowWindow(Handle(), SW_SHOW);
    }
    if (settings_.FirstStart)
        settings_.MinimizeToTrayWhenStart = true;  // later starts go to the tray unless switched off

    instanceBlock_.Publish(Handle(), application.Handle());
    ApplySettings();
    tmCheckUpdateTimer.SetInterval(kUpdateCheckMs);
    TranslateControls(translator_, *this);
    created_ = true;
}

void TfmMain::FormClose(TForm&, TCloseAction&)
{
    closing_ = true;
    StopMonitoring();
    String error;
    if (!WriteFreezeList(error) && !error.empty() && !sessionEnded_ && !freezeListSaveShown_) {
        // The events log goes with the window: this one is said in a box.
        freezeListSaveShown_ = true;
        ShowMessageBox(&translator_,
                       TranslateFormat(155, "The guard list %s can't be saved: %s{CRLF}{CRLF}The changes to the guards "
                                            "made in this run are lost.",
                                       {places_.dataFolder + "freeze.list", error}),
                       "", MB_ICONINFORMATION, false, places_.pictures);
    }
    // Each open question about a file is closed and changes nothing.
    if (protections_)
        protections_->StopAll();
}

void TfmMain::FormDestroy()
{
    StopMonitoring();  // a form destroyed without being closed leaves no monitor behind
    SaveFreezeList();
    if (appHook_ >= 0)
        TApplication::Instance().UnhookMainWindow(appHook_);
    appHook_ = -1;
    SaveSettingsNow();
    guards_.reset();
    if (protections_) {
        protections_->StopAll();  // a form destroyed without being closed leaves no watcher behind
        SaveProtectionList();
        protections_.reset();
    }
    ReleaseRegistrations();
}

void TfmMain::SaveProtectionList()
{
    if (!protections_ || !protectionListWritable_)
        return;  // what could not be read stays as it is
    try {
        protections_->SaveToFile(protectionListPath_);
    } catch (const std::exception& error) {
        AddLogLine(TranslateFormat(159, "The protection list %s can't be saved: %s", {protectionListPath_, String(error.what())}),
                   llWarning);
    }
}

void TfmMain::SaveSettingsNow()
{
    // A start refused early changed no setting: writing them would make the
    // next start a later one and put a Startup shortcut to a broken install.
    if (created_)
        SaveSettings(settings_);
}

void TfmMain::EndSession(UINT message, WPARAM wParam, TMessage& m)
{
    if (message == WM_QUERYENDSESSION) {
        // Saved already now: some systems end a program soon after asking.
        SaveFreezeList();
        SaveProtectionList();
        SaveSettingsNow();
        m.Result = TRUE;  // we never hold the session up
        return;
    }
    m.Result = 0;
    if (!wParam || sessionEnded_)
        return;  // the end was called off, or this ran already
    sessionEnded_ = true;
    // The close path, as when the user closes the window; the process may
    // be ended any time after this returns.
    TCloseAction action = TCloseAction::caNone;
    FormClose(*this, action);
    SaveSettingsNow();
}

void TfmMain::FormKeyUp(TControl&, WORD& key, TShiftState)
{
    // F1 on any page opens the help file, as the about page's button does.
    if (key == VK_F1 && frameAbout)
        frameAbout->btnShowHelpClick();
}

void TfmMain::CreatePages()
{
    frameSettings = &plFramesHolder.Own<TframeSettings>(*this, places_.pictures);
    frameSettings->SetParent(&plFramesHolder);
    frameSettings->SetBounds(0, 0, plFramesHolder.Width(), plFramesHolder.Height());
    frameSettings->ShowSettings(settings_);

    frameAbout = &plFramesHolder.Own<TframeAbout>(places_.programFolder, places_.pictures);
    frameAbout->SetParent(&plFramesHolder);
    frameAbout->SetBounds(0, 0, plFramesHolder.Width(), plFramesHolder.Height());
    for (TLabel* link : {&frameAbout->lblSupport, &frameAbout->lblSales, &frameAbout->lblSite})
        link->SetCursor(kLinkCursor);

    frameLog = &plFramesHolder.Own<TframeLog>(places_.pictures);
    frameLog->SetParent(&plFramesHolder);
    frameLog->SetBounds(0, 0, plFramesHolder.Width(), plFramesHolder.Height());
    frameLog->SetUp(*this);

    frameFreezeList = &plFramesHolder.Own<TframeFreezeList>(*this, places_.pictures);
    frameFreezeList->SetParent(&plFramesHolder);
    frameFreezeList->SetBounds(0, 0, plFramesHolder.Width(), plFramesHolder.Height());
    frameFreezeList->SetUp();
    frameFreezeList->FillGuardGrid();
    frameFreezeList->FillProtectionGrid();
}

void TfmMain::LoadDefinitions()
{
    search_ = std::make_unique<TSearch>(places_.dataFolder);
    const String database = DatabaseFileName(places_.dataFolder);
    const TDatabaseLoad load = search_->LoadDatabaseStatus(database);
    const TQuietFileErrors quiet;  // deleting the change file
    ApplyDefinitionChanges(*search_, database, ChangeFileName(places_.dataFolder), load);
}

void TfmMain::ShowPage(TWinControl* page)
{
    if (!page)
        return;  // pages not built yet
    ShowOnlyChild(&plFramesHolder, page);
    page->BringToFront();
}

void TfmMain::ApplySettings()
{
    for (TThreeStateButton* button : {&btnFreezeList, &btnViewLog, &btnSettings, &btnBeginMonitoring,
                                      &btnCancelMonitoring, &btnHelp, &btnScan})
        button->SetShowHint(settings_.ShowHints);
    if (frameLog)
        frameLog->btnClearLog.SetShowHint(settings_.ShowHints);
    if (frameAbout)
        frameAbout->btnShowHelp.SetShowHint(settings_.ShowHints);
    if (frameFreezeList)
        for (TControl* control : std::initializer_list<TControl*>{&frameFreezeList->btnNewFreeze, &frameFreezeList->btnDeleteFreeze,
                                                                  &frameFreezeList->btnEditGuard, &frameFreezeList->sgFreezes})
            control->SetShowHint(settings_.ShowHints);
    if (frameSettings)
        for (TControl* control : std::initializer_list<TControl*>{
                 &frameSettings->cbAutoStartFreeze, &frameSettings->cbMinimizeToTray, &frameSettings->cbAutoStartWithOS,
                 &frameSettings->cbAskConfirmation, &frameSettings->cbShowHints, &frameSettings->cbUseProxy,
                 &frameSettings->edProxyAddress, &frameSettings->edProxyPort, &frameSettings->cbEnableAutoUpdates,
                 &frameSettings->edPollInterval, &frameSettings->btnSaveSettings})
            control->SetShowHint(settings_.ShowHints);
}

void TfmMain::imgMainImageMouseMove(TControl&, TShiftState shift, int x, int y)
{
    // The whole top band drags the window; the system moves it.
    if ((shift & ssLeft) && x >= 0 && y >= 0 && x < 639 && y < 26) {
        ReleaseCapture();
        Perform(WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
}

// ---------------------------------------------------------------- monitoring

void TfmMain::SetMonitoringControls(bool monitoring)
{
    btnBeginMonitoring.SetVisible(!monitoring);
    btnCancelMonitoring.SetVisible(monitoring);
    miBeginMonitoring->SetVisible(!monitoring);
    miCancelMonitoring->SetVisible(monitoring);
}

void TfmMain::btnBeginMonitoringClick()
{
    if (!guards_ || guards_->Count() == 0) {
        btnCancelMonitoringClick();  // no protection without guards
        return;
    }
    monitoringOn_ = true;
    SetMonitoringControls(true);
    // Enabled once the monitor has armed every guard.
    btnCancelMonitoring.SetEnabled(false);
    miCancelMonitoring->SetEnabled(false);
    StartMonitoring();
}

void TfmMain::btnCancelMonitoringClick()
{
    monitoringOn_ = false;
    SetMonitoringControls(false);
    StopMonitoring();
}

void TfmMain::StartMonitoring()
{
    StopMonitoring();
    ForceDirectories(places_.dataFolder + "snapshoots\\");
    if (!monitoringOn_ || !guards_ || guards_->Count() == 0)
        return;
    auto thread = std::make_unique<TRegMonitorThread>(*guards_, Handle(), places_.dataFolder, places_.questions);
    monitor_ = places_.startMonitor ? places_.startMonitor(std::move(thread)) : StartWorker(std::move(thread));
    if (!monitor_.handle.Valid()) {
        // No thread: the flag stays and nothing is logged, but the user can
        // still switch protection off.
        btnCancelMonitoring.SetEnabled(true);
        miCancelMonitoring->SetEnabled(true);
        return;
    }
    AddLogLine(TranslateString(38, "Guard is made active."), llSuccess);
}

void TfmMain::StopMonitoring()
{
    if (!monitor_.handle.Valid())
        return;
    // Waits handling only sent messages, so a monitor inside SendMessage to
    // us gets its answer and can see the quit. What it still reports about
    // its start is stale by then.
    stoppingMonitor_ = true;
    StopWorker(monitor_);
    stoppingMonitor_ = false;
    monitor_ = TWorkerHandle{};
    AddLogLine(TranslateString(37, "Guard is unloaded."), llPlain);
}

void TfmMain::AddGuard(std::unique_ptr<TSingleFreeze> guard)
{
    if (!guard || !guards_)
        return;
    guard->GuidText = places_.makeGuid ? places_.makeGuid() : GuidText();
    if (!guard->GuidText.empty())
        AddLogLine(TranslateFormat(36, "Guard with a name '%s' is added to the list. Updating the list of guards...",
                                   {guard->DisplayName}),
                   llPlain);
    if (guard->GuidText.empty()) {
        // Without a GUID there is no id to name its snapshot and questions.
        AddLogLine(TranslateFormat(157, "No GUID could be made for the guard '%s': it is not added.",
                                   {guard->DisplayName}),
                   llWarning);
        return;
    }
    guard->Id = GuardIdFromGuid(guard->GuidText);
    StopMonitoring();
    TSingleFreeze* added = guards_->Add(std::move(guard));
    SaveFreezeList();
    if (frameFreezeList)
        frameFreezeList->AppendGuardRow(added);
    UpdateGuardCount();
    ForceDirectories(places_.dataFolder + "snapshoots\\");  // the first guard's snapshot needs its folder
    TRegistryShapshoot snapshot;
    TakeGuardSnapshot(snapshot, *added, places_.dataFolder);
    StartMonitoring();
    AddLogLine(TranslateString(29, "The list of guards is updated."), llSuccess);
}

void TfmMain::ChangeGuard(TSingleFreeze* guard, const TSingleFreeze& changed)
{
    if (!guard || !guards_ || !guards_->Contains(guard))
        return;
    AddLogLine(TranslateFormat(28, "Guard with name '%s' is changed. Updating the list of guards...",
                               {guard->DisplayName}),
               llPlain);
    // A monitor still on the old key must never compare it with the new
    // key's snapshot and write that back: it ends before anything changes.
    StopMonitoring();
    const std::uint8_t state = guard->State;
    const String guid = guard->GuidText;
    const std::uint32_t id = guard->Id;
    *guard = changed;
    guard->State = state;
    guard->GuidText = guid;
    guard->Id = id;
    ForceDirectories(places_.dataFolder + "snapshoots\\");
    TRegistryShapshoot snapshot;
    TakeGuardSnapshot(snapshot, *guard, places_.dataFolder);
    SaveFreezeList();
    StartMonitoring();
    AddLogLine(TranslateString(29, "The list of guards is updated."), llSuccess);
}

void TfmMain::RemoveGuard(TSingleFreeze* guard)
{
    if (!guard || !guards_ || !guards_->Contains(guard))
        return;
    AddLogLine(TranslateFormat(35, "Guard with a name '%s' is removed from the list. Updating the list of guards...",
                               {guard->DisplayName}),
               llPlain);
    // The monitor ends first: one still arming would take the snapshot anew.
    StopMonitoring();
    const String snapshot = GetSnapshotFileName(guard, places_.dataFolder);
    if (FileExists(snapshot))
        DeleteQuietly(snapshot);
    guards_->Remove(guard);
    SaveFreezeList();
    UpdateGuardCount();
    if (guards_->Count() > 0)
        StartMonitoring();
    else
        btnCancelMonitoringClick();
    AddLogLine(TranslateString(29, "The list of guards is updated."), llSuccess);
}

bool TfmMain::ConfirmRemoveGuard(const TSingleFreeze& guard)
{
    const String text = TranslateFormat(31, "You really want to remove the '%s' guard?", {guard.DisplayName});
    return ShowMessageBox(&translator_, text, TranslateString(2, "Confirmation"), MB_YESNOCANCEL | MB_ICONQUESTION,
                          false, places_.pictures) == IDYES;
}

bool TfmMain::SaveFreezeList()
{
    String error;
    return WriteFreezeList(error);
}

bool TfmMain::WriteFreezeList(String& error)
{
    error.clear();
    if (!guards_ || !freezeListWritable_)
        return false;
    const String fileName = places_.dataFolder + "freeze.list";
    try {
        guards_->SaveToFile(fileName);  // through a temporary file: the old list stays whole
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    }
    AddLogLine(TranslateFormat(154, "The guard list %s can't be saved: %s", {fileName, error}), llWarning);
    return false;
}

void TfmMain::UpdateGuardCount()
{
    const unsigned count = guards_ ? static_cast<unsigned>(guards_->Count()) : 0;
    lblCountFreezes.SetCaption(TranslateFormat(39, "Guarded items: %u", {count}));
}

// ---------------------------------------------------------------- events log

void TfmMain::AddLogLine(const String& text, int level)
{
    if (frameLog)
        frameLog->AddLine(DateTimeToStr(Now()) + ". " + text, level, imglTrayIcons.Width());
}

void TfmMain::AdjustLogRowHeight(int row)
{
    if (frameLog)
        frameLog->AdjustRowHeight(row, imglTrayIcons.Width());
}

// ---------------------------------------------------------------- messages

void TfmMain::InstallMessageHandlers()
{
    const auto handle = [this](UINT message, void (TfmMain::*handler)(TMessage&)) {
        SetMessageHandler(message, [this, handler](TMessage& m) {
            m.Result = 0;
            (this->*handler)(m);
            return true;
        });
    };
    handle(WM_SET_GUARD_REACTION, &TfmMain::WMSetGuardReaction);
    handle(WM_ADD_LOG_LINE, &TfmMain::WMAddLogLine);
    handle(WM_START_BLINK, &TfmMain::WMStartBlink);
    handle(WM_QUERY_GUARD, &TfmMain::WMQueryGuard);
    handle(WM_MONITORING_STARTED, &TfmMain::WMMonitoringStarted);
    handle(WM_NOTHING_TO_MONITOR, &TfmMain::WMNothingToMonitor);
    for (UINT ending : {WM_QUERYENDSESSION, WM_ENDSESSION})
        SetMessageHandler(ending, [this, ending](TMessage& m) {
            EndSession(ending, m.WParam, m);
            return true;
        });
    handle(WM_ACTIVATE_INSTANCE, &TfmMain::WMActivateInstance);
    handle(WM_REQUEST_QUERY_ABORT, &TfmMain::WMRequestQueryAbort);
    for (UINT quiet : {WM_REQUEST_STAGE, WM_REQUEST_PROGRESS})
        SetMessageHandler(quiet, [](TMessage& m) {
            m.Result = 0;
            return true;
        });
    handle(WM_REQUEST_FAILED, &TfmMain::WMRequestFailed);
    handle(WM_REQUEST_DONE, &TfmMain::WMRequestDone);
}

void TfmMain::WMSetGuardReaction(TMessage& m)
{
    if (!guards_ || !IsOwnMessage(WM_SET_GUARD_REACTION, m.WParam, m.LParam))
        return;  // only our monitor changes a guard
    for (int i = 0; i < guards_->Count(); ++i) {
        TSingleFreeze* guard = guards_->GetItem(i);
        if (guard && guard->Id == static_cast<std::uint32_t>(m.WParam)) {
            guard->Reaction = static_cast<std::uint8_t>(m.LParam & 0xFF);
            SaveFreezeList();
            return;
        }
    }
}

void TfmMain::WMAddLogLine(TMessage& m)
{
    // The pointer is read only when one of our threads sent it: the window's
    // handle is published, and another program must not choose what we read.
    if (!IsOwnMessage(WM_ADD_LOG_LINE, m.WParam, m.LParam))
        return;
    if (const char* text = reinterpret_cast<const char*>(m.LParam))
        AddLogLine(String(text), static_cast<int>(m.WParam));
}

void TfmMain::WMStartBlink(TMessage&)
{
    // A shown window needs no blinking; a running blink halts where it is.
    tmBlinkTimer.SetEnabled(!Visible());
}

void TfmMain::WMQueryGuard(TMessage& m)
{
    if (!IsOwnMessage(WM_QUERY_GUARD, m.WParam, m.LParam))
        return;  // not ours: "not active", and the pointer is never read
    const auto* asked = reinterpret_cast<const TSingleFreeze*>(m.WParam);
    if (!asked || !guards_)
        return;
    for (int i = 0; i < guards_->Count(); ++i) {
        const TSingleFreeze* guard = guards_->GetItem(i);
        if (guard && guard->Id == asked->Id) {
            m.Result = guard->State == gsActive ? 1 : 0;
            return;
        }
    }
}

void TfmMain::WMMonitoringStarted(TMessage&)
{
    if (stoppingMonitor_)
        return;  // a monitor on its way out
    btnCancelMonitoring.SetEnabled(true);
    miCancelMonitoring->SetEnabled(true);
}

void TfmMain::WMNothingToMonitor(TMessage&)
{
    if (stoppingMonitor_ || !monitoringOn_)
        return;  // a monitor on its way out
    // Protection stays the user's choice, but nothing is watched: say so, and
    // let the user switch it off again.
    btnCancelMonitoring.SetEnabled(true);
    miCancelMonitoring->SetEnabled(true);
    AddLogLine(TranslateString(156, "No guard is watched: none is active, or none of their keys could be opened."),
               llWarning);
}

void TfmMain::WMActivateInstance(TMessage&)
{
    if (!Visible())
        miRestoreClick();
}

void TfmMain::WMRequestQueryAbort(TMessage& m)
{
    // An update check still running at exit gives up.
    m.Result = ShuttingDown() ? 1 : 0;
}

void TfmMain::WMRequestFailed(TMessage&)
{
    // Whatever the code: the next try in ten minutes (none at exit).
    if (!ShuttingDown())
        tmCheckUpdateTimer.SetEnabled(true);
}

// ---------------------------------------------------------------- update check

void TfmMain::tmCheckUpdateTimerTimer(TTimer&)
{
    tmCheckUpdateTimer.SetEnabled(false);
    if (ShuttingDown())
        return;  // stays off: nothing more is asked at exit
    // While a request runs the timer stays off; its answer switches it on.
    if (!StartUpdateCheck())
        tmCheckUpdateTimer.SetEnabled(true);
}

bool TfmMain::StartUpdateCheck()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (!UpdateCheckDue(settings_.AutomaticallyCheckUpdates, settings_.CheckUpdatesInterval,
                        WholeDaysBetween(now, settings_.LastCheckedTime)))
        return false;
    // The check counts only once the server has answered (WMRequestDone), so
    // a failed one is tried again with the next tick.
    auto thread = std::make_unique<TRegThread>(places_.programFolder, static_cast<std::uint32_t>(settings_.ProxyPort),
                                               settings_.ProxyAddress, settings_.UseProxy);
    thread->SetUrl(UpdateCheckUrl(places_.updateServer, QueryFileSize(DatabaseFileName(places_.dataFolder)),
                                  GetTickCount()));
    thread->SetOwner(Handle());
    thread->SetRequestKind(kRequestKindUpdateCheck);
    return TThread::StartOwned(std::move(thread));
}

void TfmMain::WMRequestDone(TMessage& m)
{
    // The thread is read only while one of ours sends it: the window's handle
    // is published, and another program must not choose what we read.
    if (IsOwnMessage(WM_REQUEST_DONE, m.WParam, m.LParam)) {
        const auto& thread = *reinterpret_cast<const TRegThread*>(m.WParam);
        // The scan page's live-update offer plugs in here (no scan running, its link enabled); until then none.
        const bool databaseOfferOpen = false;
        const TUpdateAnswer answer =
            AnswerUpdateCheck(thread.Status(), thread.RequestKind(), thread.ResponseText(),
                              settings_.LastCheckedVersion, ShuttingDown(), databaseOfferOpen);
        if (answer.counts) {
            GetLocalTime(&settings_.LastCheckedTime);  // saved with the other settings at exit
            settings_.LastCheckedVersion = answer.reply.lastCheckedVersion;
        }
        if ((answer.askProgram || answer.askDatabase) && settings_.MinimizeToTrayWhenStart)
            miRestoreClick();
        if (answer.askProgram &&
            ShowMessageBox(&translator_, NewVersionQuestion(answer.reply), UpdateQuestionCaption(),
                           MB_YESNO | MB_ICONQUESTION, false, places_.pictures) == IDYES)
            OpenDownloadPage();
    }
    if (!ShuttingDown())
        tmCheckUpdateTimer.SetEnabled(true);  // the next check in ten minutes
}

void TfmMain::OpenDownloadPage()
{
    const String& page = places_.downloadPage;
    bool opened;
    if (places_.openPage) {
        opened = places_.openPage(page);
    } else {
        TShellOpenRequest request;
        request.verb = "open";
        request.file = page;
        opened = CurrentShellOpener().Open(request).started;
    }
    if (!opened)
        ShowMessageBox(&translator_, TranslateFormat(197, "Unable to open %s.", {page}),
                       TranslateString(34, "Error"), MB_ICONINFORMATION, false, places_.pictures);
}

void TfmMain::tmBlinkTimerTimer(TTimer& timer)
{
    timer.SetTag(timer.Tag() + 1);
    if (timer.Tag() < 8) {
        SetTrayImage(timer.Tag() % 2 ? trayOdd_ : trayEven_);
        return;
    }
    timer.SetEnabled(false);
    timer.SetTag(0);
    SetTrayImage(trayNormal_);
}
