// The program's main window: borderless and skinned, living mostly in the
// notification area. It owns the guard list, the settings, the interface
// translator and the single registry monitor, and is the window the worker
// threads talk to (numbered messages handled on the GUI thread). Its
// construction runs the start-up steps and its destruction the final ones;
// closing it ends the program.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/forms.h"
#include "classlib/image_list.h"
#include "classlib/std_controls.h"
#include "classlib/thread_stop.h"
#include "classlib/timers.h"
#include "guard/freeze_list.h"
#include "guard/interface_translator.h"
#include "guard/protection_list.h"
#include "guard/registry_monitor_thread.h"
#include "guard/settings.h"
#include "scanner/reg_thread.h"
#include "scanner/search.h"
#include "ui/popup_menu_painter.h"
#include "ui/single_instance.h"

class TThreeStateButton;
class TPopupMenu;
class TMenuItem;
class TTrayIcon;
class TframeLog;
class TframeFreezeList;
class TframeAbout;
class TframeSettings;

// Where the update check asks (its script lies below this address) and the
// page a newer program is downloaded from.
constexpr char kUpdateServerAddress[] = "http://updates.talmoris.example/";
constexpr char kDownloadPageAddress[] = "http://www.talmoris.example/download.html";

// Where the main form finds its program, its data and its pictures, and who
// answers the monitor's questions. The running program uses its own; tests
// give folders of their own.
struct TMainFormPlaces {
    String programFolder;  // with a trailing backslash
    String dataFolder;     // with a trailing backslash
    HMODULE pictures = nullptr;
    std::shared_ptr<TQuestionSink> questions;
    String alertProgram;  // the file protections' alert program; "" for Quorvin in the program folder
    // Stand-ins for what the system rarely refuses, so tests can see the
    // refusal handled: a new guard's GUID text ("" when none could be made)
    // and the start of the monitor thread (an empty handle when it couldn't
    // be made). Unset: CoCreateGuid and StartWorker.
    std::function<String()> makeGuid;
    std::function<TWorkerHandle(std::unique_ptr<TThread>)> startMonitor;
    // The update check's server and download page, and what opens a page
    // (true when it opened). Unset: the shell's "open" through the current
    // shell opener.
    String updateServer = kUpdateServerAddress;
    String downloadPage = kDownloadPageAddress;
    std::function<bool(const String& url)> openPage;

    static TMainFormPlaces OfThisProgram();
};

class TfmMain : public TForm {
public:
    explicit TfmMain(TComponent* owner, TMainFormPlaces places = TMainFormPlaces::OfThisProgram());
    ~TfmMain() override;

    String ClassName() const override { return "TfmMain"; }

    TSettings* GetSettings() { return &settings_; }
    const TInterfaceTranslator& Translator() const { return translator_; }
    TFreezeList* GuardList() const { return guards_.get(); }
    TProtectionList* ProtectionList() const { return protections_.get(); }
    const String& DataFolder() const { return places_.dataFolder; }
    HMODULE Pictures() const { return places_.pictures; }
    // False when the start-up stopped early (the alert program is missing).
    bool Created() const { return created_; }

    // Monitoring control and guard operations.
    void btnBeginMonitoringClick();
    void btnCancelMonitoringClick();
    void StartMonitoring();
    void StopMonitoring();
    bool IsMonitoring() const { return monitoringOn_; }
    // The monitor thread runs (or is arming).
    bool MonitorRunning() const { return monitor_.Running(); }
    // Takes the guard (filled by the add-guard dialog): GUID, id, snapshot,
    // list, grid row, monitor restart.
    void AddGuard(std::unique_ptr<TSingleFreeze> guard);
    // Gives a guard of the list the fields of `changed` (its state, GUID and
    // id stay) and a new snapshot, with the monitor ended meanwhile.
    void ChangeGuard(TSingleFreeze* guard, const TSingleFreeze& changed);
    // Removes and frees a guard of the list, with its snapshot file.
    void RemoveGuard(TSingleFreeze* guard);
    bool ConfirmRemoveGuard(const TSingleFreeze& guard);
    // Writes freeze.list; false (with a warning in the events log) when it
    // can't be written, or when this run must not write over it because the
    // start-up couldn't read it.
    bool SaveFreezeList();
    void SaveProtectionList();  // a warning in the events log when it can't be written
    void UpdateGuardCount();

    // The events log.
    void AddLogLine(const String& text, int level);
    void AdjustLogRowHeight(int row);
    TframeLog* FrameLog() const { return frameLog; }

    // Window chrome and the tray.
    void ChooseTrayIcons();
    void ApplySettings();
    void ShowPage(TWinControl* page);
    void btnToTrayClick();
    void miRestoreClick();
    void miExitClick() { Close(); }
    int TrayImage() const { return trayImage_; }
    void SetTrayImage(int index);
    // The three tray pictures: idle, and the two a blink alternates.
    int NormalTrayImage() const { return trayNormal_; }
    int OddTickTrayImage() const { return trayOdd_; }
    int EvenTickTrayImage() const { return trayEven_; }
    int MenuHeight() const { return trayPainter_.MenuHeight(); }
    // The application window frames the shown windows of these menus
    // (WM_REFRAME_MENU); the tray menu is one.
    void AddFramedMenu(const TPopupMenu* menu);

    // The update check: the timer's handler starts the request when one is
    // due; the answer is offered when it comes (WM_REQUEST_DONE).
    void tmCheckUpdateTimerTimer(TTimer& timer);

    // Designed components.
    TImage& imgMainImage;
    TLabel& lblCaption;
    TLabel& lblCountFreezes;
    TLabel& lblHint;
    TPanel& plFramesHolder;
    TThreeStateButton& btnClose;
    TThreeStateButton& btnToTray;
    TThreeStateButton& btnScan;
    TThreeStateButton& btnBeginMonitoring;
    TThreeStateButton& btnCancelMonitoring;
    TThreeStateButton& btnFreezeList;
    TThreeStateButton& btnViewLog;
    TThreeStateButton& btnSettings;
    TThreeStateButton& btnHelp;
    TImageList imglTrayIcons{16, 16};
    TImageList imgPopupImages{20, 20};
    TImageList imglScrollBitmaps{16, 17};
    TTimer& tmBlinkTimer;
    TTimer& tmCheckUpdateTimer;
    TPopupMenu* pmTrayPopup = nullptr;
    TTrayIcon* tiTrayIcon = nullptr;
    TMenuItem* miBeginMonitoring = nullptr;
    TMenuItem* miCancelMonitoring = nullptr;

    // Pages; those not built are null.
    TframeLog* frameLog = nullptr;
    TframeFreezeList* frameFreezeList = nullptr;
    TframeAbout* frameAbout = nullptr;
    TframeSettings* frameSettings = nullptr;

private:
    void FormCreate();
    void FormClose(TForm&, TCloseAction&);
    void FormDestroy();
    // The close path when the Windows session ends: the system may end the
    // process as soon as the session's end has been answered.
    void EndSession(UINT message, WPARAM wParam, TMessage& m);
    // SaveFreezeList with the reason of a failed write ("" when nothing was
    // tried).
    bool WriteFreezeList(String& error);
    // The settings, with the Startup shortcut kept in step.
    void SaveSettingsNow();
    // Ends the monitor and takes back what points at this form from outside
    // (the application window's hook, the hint event, the text translator).
    void ReleaseRegistrations() noexcept;
    void FormKeyUp(TControl&, WORD& key, TShiftState);
    void BuildTrayMenu();
    void CreatePages();
    // The scan engine with the definitions database, and the local change
    // file applied to it.
    void LoadDefinitions();
    void SetMonitoringControls(bool monitoring);
    void PublishInstanceBlock();

    // The message map.
    void InstallMessageHandlers();
    void WMSetGuardReaction(TMessage& m);
    void WMAddLogLine(TMessage& m);
    void WMStartBlink(TMessage& m);
    void WMQueryGuard(TMessage& m);
    void WMMonitoringStarted(TMessage& m);
    void WMNothingToMonitor(TMessage& m);
    void WMActivateInstance(TMessage& m);
    void WMRequestQueryAbort(TMessage& m);
    void WMRequestFailed(TMessage& m);
    void WMRequestDone(TMessage& m);
    // Starts the update check's request when one is due; false when none
    // was started.
    bool StartUpdateCheck();
    void OpenDownloadPage();
    void tmBlinkTimerTimer(TTimer& timer);

    // The tray menu's look.
    void miPopupMeasureItem(TMenuItem& item, HDC dc, int& width, int& height);
    void miPopupDrawItem(TMenuItem& item, HDC dc, const RECT& rect, unsigned state);
    bool AppWindowHook(TMessage& m);
    void imgMainImageMouseMove(TControl&, TShiftState shift, int x, int y);

    TMainFormPlaces places_;
    TInterfaceTranslator translator_;
    TSettings settings_;
    std::unique_ptr<TFreezeList> guards_;
    std::unique_ptr<TProtectionList> protections_;
    String protectionListPath_;
    bool protectionListWritable_ = true;  // false when the stored list could not be read
    std::unique_ptr<TSearch> search_;
    TWorkerHandle monitor_;
    bool monitoringOn_ = false;
    bool created_ = false;
    bool destroying_ = false;
    bool closing_ = false;  // the close path has begun: nothing more is offered
    // Closing or destroyed: no update check starts, and none running asks.
    bool ShuttingDown() const { return closing_ || destroying_; }
    // False after a start-up that couldn't read freeze.list: the file is
    // then never written over in this run.
    bool freezeListWritable_ = true;
    bool freezeListSaveShown_ = false;  // a failed save at close is shown once
    bool sessionEnded_ = false;
    bool stoppingMonitor_ = false;
    int trayNormal_ = 0, trayEven_ = 2, trayOdd_ = 1;
    int trayImage_ = 0;
    TPopupMenuPainter trayPainter_{imgPopupImages, Font(), 26};
    std::vector<const TPopupMenu*> framedMenus_;
    TBitmap banner_;
    TInstanceBlock instanceBlock_;
    UINT taskbarMessage_ = 0;
    int appHook_ = -1;
};
