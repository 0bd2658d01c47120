// The program settings page: start-up behaviour, confirmations and hints,
// the HTTP proxy and the automatic update check. The main form fills it from
// its settings record once; Save writes the controls back into that record,
// stores it (with the Startup shortcut) and has the main form apply it.
#pragma once

#include <windows.h>

#include "classlib/std_controls.h"
#include "controls/adv_tab_set.h"
#include "controls/bit_check_box.h"
#include "controls/flat_edit.h"
#include "controls/three_state_button.h"
#include "guard/settings.h"

class TfmMain;

class TframeSettings : public TFrame {
public:
    // The edits' colours: an edit the user can't use is grey.
    static constexpr TColor kEnabledEdit = 0xFFFFFF;
    static constexpr TColor kDisabledEdit = 0xEFEFEF;
    // The longest proxy port and poll interval the user can type.
    static constexpr int kPortDigits = 5;
    static constexpr int kIntervalDigits = 2;

    TframeSettings(TComponent* owner, TfmMain& main, HMODULE pictures);
    ~TframeSettings() override;

    String ClassName() const override { return "TframeSettings"; }

    // The controls from `settings`, the dependent edits enabled or greyed to
    // match, and digits only in the two number edits from here on.
    void ShowSettings(const TSettings& settings);

    // The controls into the main form's settings record, which is then
    // stored and applied. A proxy port beyond 1 to 65535 is refused with a
    // message and nothing is stored; an empty poll interval is 3 days, one
    // below 1 is 1 day, and the edit shows what was stored.
    void btnSaveSettingsClick();
    // The proxy edits and their labels usable exactly while the proxy box is
    // checked; the poll interval exactly while the update box is.
    void cbUseProxyClick();
    void cbEnableAutoUpdatesClick();

    TAdvTabSet& tsTabs;
    TLabel& Label3;
    TPanel& plGeneralFrame;
    TPanel& plGeneral;
    TBitCheckBox& cbAutoStartFreeze;
    TBitCheckBox& cbMinimizeToTray;
    TBitCheckBox& cbAutoStartWithOS;
    TBitCheckBox& cbAskConfirmation;
    TBitCheckBox& cbShowHints;
    TLabel& Label2;
    TPanel& plLiveUpdateFrame;
    TPanel& plLiveUpdate;
    TBitCheckBox& cbUseProxy;
    TLabel& lblProxyAddress;
    TFlatEdit& edProxyAddress;
    TLabel& lblProxyPort;
    TFlatEdit& edProxyPort;
    TLabel& Label4;
    TPanel& plUpdatesFrame;
    TPanel& plUpdates;
    TBitCheckBox& cbEnableAutoUpdates;
    TLabel& lblPollInterval;
    TFlatEdit& edPollInterval;
    TThreeStateButton& btnSaveSettings;

private:
    TfmMain& main_;
};
