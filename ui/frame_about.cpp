#include "ui/frame_about.h"

#include "classlib/form_building.h"
#include "controls/skin_helpers.h"
#include "guard/interface_translator.h"
#include "ui/message_box_form.h"
#include "ui/page_tabs.h"
#include "ui/shell_open.h"

namespace {

constexpr TColor kTitleColour = 8537638;  // the window title's and the tabs' blue
constexpr TColor kLinkColour = 8537638;
constexpr TColor kNoteColour = RGB(244, 246, 250);
constexpr int kLinkLeft = 190;
constexpr int kLinkSlack = 6;

TFont TextFont(unsigned style = 0, TColor colour = clBlack) { return TFont("Tahoma", -11, style, colour); }

}  // namespace

String HelpFileName(const String& programFolder) { return programFolder + "Help\\Help.chm"; }

String SiteLinkTarget(const String& site, const String& language)
{
    const bool slash = !site.empty() && site.back() == '/';
    return site + (slash ? "" : "/") + "redir.php?lang=" + language;
}

String LanguageCode(HMODULE module)
{
    char text[64] = {};
    const int length = LoadStringA(module, 101, text, sizeof text);
    return length > 0 ? String(text, static_cast<size_t>(length)) : String();
}

TframeAbout::TframeAbout(TComponent* owner, const String& programFolder, HMODULE pictures)
    : TFrame(owner),
      tsTabs(Place<TAdvTabSet>(*this, "tsTabs", -1, 9, 553, 21)),
      imgIcon(Place<TImage>(*this, "imgIcon", 28, 52, 48, 48)),
      lblTalmorisVersion(Place<TLabel>(*this, "lblTalmorisVersion", 92, 56, 220, 24)),
      lblCompany(Place<TLabel>(*this, "lblCompany", 263, 84, 240, 14)),
      Label12(Place<TLabel>(*this, "Label12", 92, 124, 90, 14)),
      lblSupport(Place<TLabel>(*this, "lblSupport", kLinkLeft, 124, 200, 14)),
      Label13(Place<TLabel>(*this, "Label13", 92, 146, 90, 14)),
      lblSales(Place<TLabel>(*this, "lblSales", kLinkLeft, 146, 200, 14)),
      Label17(Place<TLabel>(*this, "Label17", 92, 168, 90, 14)),
      lblSite(Place<TLabel>(*this, "lblSite", kLinkLeft, 168, 200, 14)),
      plHelpNote(Place<TPanel>(*this, "plHelpNote", 28, 214, 475, 44)),
      Label2(Place<TLabel>(*this, plHelpNote, "Label2", 12, 15, 451, 14)),
      btnShowHelp(Place<TThreeStateButton>(*this, "btnShowHelp", 403, 276, 100, 27)),
      pictures_(pictures),
      helpFile_(HelpFileName(programFolder)),
      language_(LanguageCode(pictures))
{
    SetName("frameAbout");
    SetColor(kPageColour);
    SetUpPageTabs(tsTabs, pictures, {"Help/About"});

    imgIcon.SetPicture(RequiredPicture(pictures, "BM_PROGRAM"));
    imgIcon.SetTransparent(true);

    lblTalmorisVersion.SetFont(TFont("Tahoma", -19, fsBold, kTitleColour));
    lblTalmorisVersion.SetCaption("Talmoris v. 4.1");
    lblCompany.SetFont(TextFont(0, RGB(80, 80, 80)));
    lblCompany.SetAlignment(TAlignment::taRightJustify);
    lblCompany.SetCaption(TProductContacts::kMaker);

    const struct {
        TLabel& caption;
        const char* text;
        TLabel& link;
        String address;
        String target;
    } links[] = {
        {Label12, "Support email:", lblSupport, TProductContacts::kSupportEmail,
         String("mailto:") + TProductContacts::kSupportEmail},
        {Label13, "Sales email:", lblSales, TProductContacts::kSalesEmail,
         String("mailto:") + TProductContacts::kSalesEmail},
        {Label17, "Website:", lblSite, TProductContacts::kSite, ""},
    };
    for (const auto& entry : links) {
        entry.caption.SetFont(TextFont(fsBold));
        entry.caption.SetCaption(entry.text);
        entry.link.SetFont(TextFont(fsUnderline, kLinkColour));
        // Only the text itself is the link; the measured text can come out
        // a few pixels narrower than it paints, so the label gets them.
        entry.link.SetAutoSize(true);
        entry.link.SetCaption(entry.address);
        entry.link.SetAutoSize(false);
        entry.link.SetBounds(entry.link.Left(), entry.link.Top(), entry.link.Width() + kLinkSlack, entry.link.Height() + 2);
        entry.link.SetHint(entry.target);
        entry.link.OnClick = [this](TControl& link) { lblSiteClick(link); };
    }

    plHelpNote.SetColor(kNoteColour);
    Label2.SetFont(TextFont());
    Label2.SetAlignment(TAlignment::taCenter);
    Label2.SetCaption("For display program help file click \"Show Help\" button below.");

    LoadSkinBitmaps(btnShowHelp, "SHOWHELP", "BM_COORD", pictures);
    btnShowHelp.SetHint("Show program help file");
    btnShowHelp.SetTransparent(true);
    btnShowHelp.OnClick = [this](TControl&) { btnShowHelpClick(); };

    AfterConstruction();
}

TframeAbout::~TframeAbout()
{
    for (TLabel* link : {&lblSupport, &lblSales, &lblSite})
        link->OnClick = nullptr;
    btnShowHelp.OnClick = nullptr;
}

void TframeAbout::AfterConstruction() { lblSite.SetHint(SiteLinkTarget(lblSite.Caption(), language_)); }

void TframeAbout::btnShowHelpClick()
{
    TShellOpenRequest request;
    request.verb = "open";
    request.file = helpFile_;
    if (!CurrentShellOpener().Open(request).started)
        SayNotOpened(TranslateFormat(196, "Unable to open the help file %s.", {helpFile_}));
}

void TframeAbout::lblSiteClick(TControl& link)
{
    TShellOpenRequest request;
    request.verb = "open";
    request.file = link.Hint();
    if (!CurrentShellOpener().Open(request).started)
        SayNotOpened(TranslateFormat(197, "Unable to open %s.", {request.file}));
}

void TframeAbout::SayNotOpened(const String& text)
{
    // The shell is asked to show nothing of its own: the user learns here
    // why no help file, mail or page came.
    ShowMessageBox(nullptr, text, TranslateString(34, "Error"), MB_ICONINFORMATION, false, pictures_);
}
