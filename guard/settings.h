// The user's settings: one plain record, loaded from and saved to
// HKCU\Software\Quendaril\Pellunor. Saving also keeps the program's Startup
// shortcut in step with AutoStartWithOS. Nothing here reports an error: an
// unreadable key or value leaves the defaults, an unwritable key is skipped.
#pragma once

#include <windows.h>

#include <cstdint>

#include "classlib/sysutils.h"
#include "guard/settings_rules.h"

extern const char* const kSettingsKey;  // below HKEY_CURRENT_USER

struct TSettings {
    bool AutoActivateFreezeWhenStart = true;
    bool MinimizeToTrayWhenStart = false;
    bool AutoStartWithOS = true;
    bool AskConfirmation = true;
    bool ShowHints = true;
    bool FirstStart = true;  // not stored: cleared when the settings key exists at load
    String LastSystemScan;
    String ProxyAddress;     // empty, then Internet Explorer's proxy host
    std::int32_t ProxyPort = 0;  // 0, then Internet Explorer's proxy port
    bool UseProxy = false;       // false, then Internet Explorer's ProxyEnable
    bool AutomaticallyCheckUpdates = false;
    std::int32_t CheckUpdatesInterval = 3;
    SYSTEMTIME LastCheckedTime{};  // stored as its 16 bytes
    std::int32_t LastCheckedVersion = 4;
};
static_assert(sizeof(SYSTEMTIME) == kSettingTimeSize);

// Internet Explorer's proxy (HKCU\...\Internet Settings: ProxyEnable and
// ProxyServer); the host text is what a 260-byte buffer holds.
TIEProxy ReadIEProxy();

void LoadSettings(TSettings& settings);
void SaveSettings(const TSettings& settings);
