// The file and folder protections, stored as "protection.list" in the data
// folder (a component resource file whose one defined property "Protection"
// holds them), with the change-description providers they share.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/component.h"
#include "classlib/component_stream.h"
#include "classlib/sysutils.h"
#include "guard/additional_info_interface.h"
#include "guard/additional_info_win32.h"
#include "guard/alert_launcher.h"
#include "guard/file_protector.h"
#include "guard/protection_store.h"

// The places of the running machine: GetWindowsDirectoryA and
// GetSystemDirectoryA with a trailing backslash, the shell's folders.
class TMachinePlaces : public ISystemPlaces {
public:
    String WindowsFolder() const override;
    String SystemFolder() const override;
    String SpecialFolder(int csidl) const override;
};

enum class TProtectionListLoad {
    Loaded,      // read whole
    Defaults,    // there was no file: the predefined protections were made
    Damaged,     // the protections before the damage were read, the missing predefined ones added; the
                 // file is kept aside
    // The file is still in place and must not be saved over in this run:
    // it could not be opened (the predefined protections stand in), or it is
    // damaged and could not be kept aside (as Damaged, without the move).
    Unreadable,
};

class TProtectionList : public TComponent {
public:
    // Every protection gets `window` and a copy of `alerts`.
    TProtectionList(const String& protectionFolder, HWND window, TAlertLauncher alerts = TAlertLauncher());
    ~TProtectionList() override;

    String ClassName() const override { return "TProtectionList"; }

    // Never raises: a damaged or unreadable file leaves protections to run
    // with, and a warning postponed for the events log.
    TProtectionListLoad LoadFromFile(const String& fileName);
    // WriteComponentResFile: a temporary file renamed over the old one;
    // raises EFCreateError when it can't be written.
    void SaveToFile(const String& fileName);
    // Replaces the protections with the predefined ones of this machine.
    void CreateDefaults();

    void StartEnabled();  // Start each enabled protection, Stop the others
    void StopAll();

    TFileProtection* GetItem(int index) const;
    int Count() const { return static_cast<int>(protections_.size()); }
    const String& ProtectionFolder() const { return protectionFolder_; }

    void DefineProperties(TFiler& filer) override;

private:
    void ReadProtections(TReader& reader);
    void WriteProtections(TWriter& writer) const;
    void ClearProtections();
    // Makes protections of the records, with their paths for this machine.
    void AddProtections(const std::vector<TProtectionRecord>& records);
    std::vector<TProtectionRecord> Records() const;
    std::vector<TProtectionRecord> MachineDefaults() const;
    IFileAction* ProviderFor(std::uint8_t predefinedType, std::int32_t id);

    HWND window_;
    TAlertLauncher alerts_;
    TInternetShortcutInformation urlProvider_;
    TDummyInfo dummyProvider_;
    TShellLinkInformation shortcutProvider_;
    TIniFileInformation winIniProvider_;
    TIniFileInformation systemIniProvider_;
    TTextFilesInformation textProvider_;
    // After the providers: the protections borrow them and go first.
    std::vector<std::unique_ptr<TFileProtection>> protections_;
    String protectionFolder_;
    TMachinePlaces places_;
};
