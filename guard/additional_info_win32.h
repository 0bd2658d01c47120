// Change-description providers that read shell files through the system:
// Internet shortcuts (.url) in the Favorites folder and shell links (.lnk) in
// the Startup folders.
#pragma once

#include "guard/additional_info_interface.h"

// Favorites: a new or changed .url shows its name and address; anything else
// in the folder passes without a question.
class TInternetShortcutInformation : public IFileAction {
public:
    bool Describe(const String& path, const String& copyPath, String& text) override;
};

// Startup folders: a shortcut shows its name and target. The program's own
// shortcut (to talmoris.exe, or named talmoris) is never questioned; other
// files placed there are asked without detail.
class TShellLinkInformation : public IFileAction {
public:
    bool Describe(const String& path, const String& copyPath, String& text) override;
};
