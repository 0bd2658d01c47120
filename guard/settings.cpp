#include "guard/settings.h"

#include <cstring>
#include <optional>
#include <vector>

#include "classlib/registry.h"
#include "guard/autostart_helper.h"
#include "guard/common.h"

const char* const kSettingsKey = "Software\\Quendaril\\Pellunor";

static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ && kRegBinary == REG_BINARY && kRegDword == REG_DWORD);

namespace {

const char* const kInternetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\";
const char* const kShortcutDescription = "Registry monitoring tool";

// Typed reads of the open settings key. Each answers whether the value was
// there with a fitting type and size; otherwise the field is left alone.
class TSettingsReader {
public:
    explicit TSettingsReader(const TRegistry& key) : key_(key) {}

    bool Flag(const char* name, bool& field)
    {
        std::uint32_t value = 0;
        if (!Dword(name, TSettingKind::Flag, value))
            return false;
        field = value != 0;
        return true;
    }

    bool Number(const char* name, std::int32_t& field)
    {
        std::uint32_t value = 0;
        if (!Dword(name, TSettingKind::Number, value))
            return false;
        field = static_cast<std::int32_t>(value);
        return true;
    }

    bool Text(const char* name, String& field)
    {
        if (!Fetch(name, TSettingKind::Text))
            return false;
        field = TextInFixedBuffer(data_.data(), data_.size(), data_.size() + 1);
        return true;
    }

    bool Time(const char* name, SYSTEMTIME& field)
    {
        if (!Fetch(name, TSettingKind::Time))
            return false;
        std::memcpy(&field, data_.data(), sizeof field);
        return true;
    }

private:
    bool Fetch(const char* name, TSettingKind kind)
    {
        DWORD type = REG_NONE;
        return key_.ReadRaw(name, type, data_) && SettingValueFits(kind, type, data_.size());
    }

    bool Dword(const char* name, TSettingKind kind, std::uint32_t& value)
    {
        if (!Fetch(name, kind))
            return false;
        std::memcpy(&value, data_.data(), sizeof value);  // little-endian, as the registry stores it
        return true;
    }

    const TRegistry& key_;
    std::vector<std::uint8_t> data_;  // the last value fetched
};


}  // namespace

TIEProxy ReadIEProxy()
{
    TRegistry key(KEY_READ);
    if (!key.OpenKey(kInternetSettingsKey, false))
        return TIEProxy();
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    std::optional<bool> enable;
    if (key.ReadRaw("ProxyEnable", type, data) && ProxyEnableValueFits(type, data.size()))
        enable = data[0] != 0 || data[1] != 0 || data[2] != 0 || data[3] != 0;
    std::optional<String> server;
    if (key.ReadRaw("ProxyServer", type, data) && SettingValueFits(TSettingKind::Text, type, data.size()))
        server = TextInFixedBuffer(data.data(), data.size(), kProxyTextBufferSize);
    return IEProxyFrom(enable, server);
}

void LoadSettings(TSettings& settings)
{
    const TIEProxy ie = ReadIEProxy();
    TRegistry key(KEY_READ);
    if (!key.OpenKey(kSettingsKey, false)) {
        settings.UseProxy = ie.Enabled;
        settings.ProxyAddress = ie.Host;
        settings.ProxyPort = ie.Port;
        return;
    }
    settings.FirstStart = false;
    TSettingsReader read(key);
    read.Flag("Value_AutoActivateFreezeWhenStart", settings.AutoActivateFreezeWhenStart);
    read.Flag("Value_MinimizeToTrayWhenStart", settings.MinimizeToTrayWhenStart);
    read.Flag("Value_AutoStartWithOS", settings.AutoStartWithOS);
    read.Flag("Value_AskConfirmation", settings.AskConfirmation);
    read.Flag("Value_ShowHints", settings.ShowHints);
    read.Number("Value_LastCheckedVersion", settings.LastCheckedVersion);
    read.Flag("Value_AutomaticallyCheckUpdates", settings.AutomaticallyCheckUpdates);
    read.Number("Value_CheckUpdatesInterval", settings.CheckUpdatesInterval);
    read.Text("Value_LastSystemScan", settings.LastSystemScan);
    // A proxy value missing or unusable takes the browser's.
    if (!read.Flag("Value_UseProxy", settings.UseProxy))
        settings.UseProxy = ie.Enabled;
    if (!read.Text("Value_ProxyAddress", settings.ProxyAddress))
        settings.ProxyAddress = ie.Host;
    read.Time("Value_LastCheckedTime", settings.LastCheckedTime);
    if (!read.Number("Value_ProxyPort", settings.ProxyPort))
        settings.ProxyPort = ie.Port;
}

void SaveSettings(const TSettings& settings)
{
    {
        TRegistry key(KEY_ALL_ACCESS);
        if (key.OpenKey(kSettingsKey, true)) {
            const auto flag = [&key](const char* name, bool value) { key.WriteInteger(name, value ? 1 : 0); };
            const auto number = [&key](const char* name, std::int32_t value) {
                key.WriteInteger(name, static_cast<std::uint32_t>(value));
            };
            flag("Value_AutoActivateFreezeWhenStart", settings.AutoActivateFreezeWhenStart);
            flag("Value_MinimizeToTrayWhenStart", settings.MinimizeToTrayWhenStart);
            flag("Value_AutoStartWithOS", settings.AutoStartWithOS);
            flag("Value_AskConfirmation", settings.AskConfirmation);
            flag("Value_ShowHints", settings.ShowHints);
            key.WriteString("Value_LastSystemScan", settings.LastSystemScan);
            flag("Value_UseProxy", settings.UseProxy);
            key.WriteString("Value_ProxyAddress", settings.ProxyAddress);
            number("Value_ProxyPort", settings.ProxyPort);
            flag("Value_AutomaticallyCheckUpdates", settings.AutomaticallyCheckUpdates);
            number("Value_CheckUpdatesInterval", settings.CheckUpdatesInterval);
            number("Value_LastCheckedVersion", settings.LastCheckedVersion);
            key.WriteBinaryData("Value_LastCheckedTime", &settings.LastCheckedTime, sizeof settings.LastCheckedTime);
        }
    }
    // The shortcut follows the setting even when the key could not be written.
    const TAutoStartHelper autoStart;
    if (settings.AutoStartWithOS)
        autoStart.CreateStartupShortcut(kShortcutDescription, GetProgramFileName());
    else
        autoStart.RemoveStartupShortcut();
}
