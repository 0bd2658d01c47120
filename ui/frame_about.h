// The help and about page: the program's name and version, the maker, the
// support and sales addresses and the web site as links, and a button that
// opens the help file (which F1 on the main window opens too). Links and the
// help file are opened through the shell-open seam.
#pragma once

#include <windows.h>

#include "classlib/std_controls.h"
#include "controls/adv_tab_set.h"
#include "controls/three_state_button.h"

// The one place for who makes the program and where its users reach them.
struct TProductContacts {
    static constexpr const char* kMaker = "Copyright (C) Talmoris Software";
    static constexpr const char* kSupportEmail = "support@talmoris.example";
    static constexpr const char* kSalesEmail = "sales@talmoris.example";
    static constexpr const char* kSite = "http://www.talmoris.example";
};

// The help file under a program folder (with its trailing backslash).
String HelpFileName(const String& programFolder);
// Where the site link leads: `site` with one "/" before "redir.php?lang="
// and the language code.
String SiteLinkTarget(const String& site, const String& language);
// String-table resource 101 of `module`: the language code the site link
// and the database download send ("" when there is none).
String LanguageCode(HMODULE module);

class TframeAbout : public TFrame {
public:
    // `pictures` holds the skins, the program picture and the language code.
    TframeAbout(TComponent* owner, const String& programFolder, HMODULE pictures);
    ~TframeAbout() override;

    String ClassName() const override { return "TframeAbout"; }

    // The site link's target from its caption and the language code.
    void AfterConstruction();

    // Opens the help file; a file the shell can't open is said in a box.
    void btnShowHelpClick();
    // Opens the clicked link's target (its hint).
    void lblSiteClick(TControl& link);

    const String& HelpFile() const { return helpFile_; }

    TAdvTabSet& tsTabs;
    TImage& imgIcon;
    TLabel& lblTalmorisVersion;
    TLabel& lblCompany;
    TLabel& Label12;
    TLabel& lblSupport;
    TLabel& Label13;
    TLabel& lblSales;
    TLabel& Label17;
    TLabel& lblSite;
    TPanel& plHelpNote;
    TLabel& Label2;
    TThreeStateButton& btnShowHelp;

private:
    void SayNotOpened(const String& text);

    HMODULE pictures_;
    String helpFile_;
    String language_;
};
