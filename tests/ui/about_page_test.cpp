// The about page in the real main window: the site link's target, the three
// links, the help button and F1 on another page as requests to the shell
// (recorded, never run), the window title from the version label, and a
// screenshot; the help file as built and staged: a CHM file holding a topic
// for each page and dialog, written in the help sources and listed in their
// contents.
#include "ui/frame_about.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/main_form_fixture.h"
#include "support/program_pictures.h"
#include "support/window_driving.h"
#include "ui/message_box_form.h"
#include "ui/shell_open.h"

namespace {

using test_support::PumpUntil;

// Records what would be opened and answers as the shell does when it
// started something (or, with `started` false, when it couldn't).
class TAnsweringOpener : public IShellOpener {
public:
    explicit TAnsweringOpener(bool started) : started_(started) {}
    TShellOpenResult Open(const TShellOpenRequest& request) override
    {
        recorder_.Open(request);
        TShellOpenResult result;
        result.started = started_;
        return result;
    }
    const std::vector<TShellOpenRequest>& Requests() const { return recorder_.Requests(); }

private:
    TRecordingShellOpener recorder_;
    bool started_;
};

class AboutPageTest : public test_support::MainFormFixture {
protected:
    AboutPageTest() { SetCursorPos(1023, 767); }  // no hot button under a resting pointer

    TframeAbout& OpenPage()
    {
        StoreSettings(false, false);
        TfmMain& main = Open();
        SetForegroundWindow(main.Handle());
        test_support::Pump();
        test_support::ClickAt(main.Handle(), 387 + 36, 25 + 28);  // btnHelp
        EXPECT_TRUE(PumpUntil([&] { return main.frameAbout->Visible(); })) << "the toolbar button shows the page";
        return *main.frameAbout;
    }

    static void Click(TframeAbout& page, const TControl& control)
    {
        test_support::ClickAt(page.Handle(), control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
        test_support::Pump();
    }

    String HelpFile() const { return IncludeTrailingPathDelimiter(programFolder.Path()) + "Help\\Help.chm"; }
};

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AboutPageLinks, TheSiteGetsOneSlashBeforeTheRedirectWhateverItsEnd)
{
    const struct {
        const char* site;
        const char* target;
    } cases[] = {
        {"http://www.talmoris.example", "http://www.talmoris.example/redir.php?lang=fr"},
        {"http://www.talmoris.example/", "http://www.talmoris.example/redir.php?lang=fr"},
        {"http://www.talmoris.example/en/", "http://www.talmoris.example/en/redir.php?lang=fr"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SiteLinkTarget(c.site, "fr"), c.target) << c.site;

    // The language code is the program's own string-table resource 101.
    const test_support::ProgramModule program("Talmoris.exe");
    ASSERT_NE(program.Get(), nullptr);
    EXPECT_EQ(LanguageCode(program.Get()), "fr");

    // The page takes its target from the caption, with or without the slash.
    TframeAbout page(nullptr, "C:\\Program\\", GetModuleHandleA(nullptr));
    EXPECT_EQ(page.lblSite.Hint(), SiteLinkTarget(TProductContacts::kSite, "fr"));
    for (const auto& c : cases) {
        page.lblSite.SetCaption(c.site);
        page.AfterConstruction();
        EXPECT_EQ(page.lblSite.Hint(), c.target) << c.site;
    }
    EXPECT_EQ(page.lblSupport.Hint(), String("mailto:") + TProductContacts::kSupportEmail);
    EXPECT_EQ(page.lblSales.Hint(), String("mailto:") + TProductContacts::kSalesEmail);
    EXPECT_EQ(page.HelpFile(), "C:\\Program\\Help\\Help.chm");
}

TEST_F(AboutPageTest, LinksHelpButtonAndF1OpenTheirTargetsThroughTheShell)
{
    TAnsweringOpener opener(true);
    const TScopedShellOpener scoped(opener);
    std::vector<String> boxes;
    SetMessageBoxAnswerer([&](const TMessageBoxRequest& request) {
        boxes.push_back(request.Text);
        return IDOK;
    });
    TframeAbout& page = OpenPage();
    TfmMain& main = *form;
    EXPECT_EQ(main.lblCaption.Caption(), page.lblTalmorisVersion.Caption()) << "the window title is the version label";
    EXPECT_EQ(page.lblTalmorisVersion.Caption(), "Talmoris v. 4.1");
    for (const TLabel* link : {&page.lblSupport, &page.lblSales, &page.lblSite})
        EXPECT_EQ(link->Cursor(), 5) << link->Name() << ": the hand cursor";

    Click(page, page.lblSupport);
    Click(page, page.lblSales);
    Click(page, page.lblSite);
    Click(page, page.btnShowHelp);
    Click(page, page.Label12);  // a caption is no link
    Click(page, page.imgIcon);

    // F1 on another page, reaching the form through its key preview.
    test_support::ClickAt(main.Handle(), 235 + 36, 25 + 28);  // btnViewLog
    ASSERT_TRUE(PumpUntil([&] { return main.FrameLog()->Visible() && !page.Visible(); }));
    PostMessageA(main.FrameLog()->sgLog.Handle(), WM_KEYDOWN, VK_F1, 0);
    PostMessageA(main.FrameLog()->sgLog.Handle(), WM_KEYUP, VK_F1, 0);
    test_support::Pump();

    const String site = String(TProductContacts::kSite) + "/redir.php?lang=fr";
    const String expected[] = {String("mailto:") + TProductContacts::kSupportEmail,
                               String("mailto:") + TProductContacts::kSalesEmail, site, HelpFile(), HelpFile()};
    ASSERT_EQ(opener.Requests().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const TShellOpenRequest& request = opener.Requests()[i];
        EXPECT_EQ(request.file, expected[i]) << i;
        EXPECT_EQ(request.verb, "open") << i;
        EXPECT_EQ(request.parameters, "") << i;
        EXPECT_EQ(request.show, SW_SHOWNORMAL) << i;
    }
    EXPECT_TRUE(boxes.empty()) << "nothing to say when the shell started each one";
    SetMessageBoxAnswerer(nullptr);
}

TEST_F(AboutPageTest, WhatTheShellCantOpenIsSaidOnce)
{
    TAnsweringOpener opener(false);
    const TScopedShellOpener scoped(opener);
    std::vector<String> boxes;
    SetMessageBoxAnswerer([&](const TMessageBoxRequest& request) {
        boxes.push_back(request.Text);
        return IDOK;
    });
    TframeAbout& page = OpenPage();
    page.btnShowHelpClick();
    page.lblSiteClick(page.lblSales);
    SetMessageBoxAnswerer(nullptr);
    ASSERT_EQ(opener.Requests().size(), 2u) << "each asked once, never again";
    EXPECT_EQ(boxes, (std::vector<String>{"Unable to open the help file " + HelpFile() + ".",
                                          String("Unable to open mailto:") + TProductContacts::kSalesEmail + "."}));
}

TEST_F(AboutPageTest, Screenshot)
{
    const TframeAbout& page = OpenPage();
    TfmMain& main = *form;
    ASSERT_TRUE(page.Visible());
    test_support::Pump();
    const RECT whole{0, 0, main.Width(), main.Height()};
    test_support::KeepArtefact(test_support::ScreenShot(main.Handle(), whole), "about-page.bmp");
}

// The staged help file: a compiled CHM (its "ITSF" signature) that holds a
// topic for each page and dialog, each written in the sources with its
// title and listed in the contents.
TEST(HelpFile, EachPageAndDialogHasItsTopic)
{
    const std::string chm = ReadText(test_support::ProgramFile("Help\\Help.chm"));
    ASSERT_GE(chm.size(), 4u) << "Help\\Help.chm is staged in the program folder";
    EXPECT_EQ(chm.substr(0, 4), "ITSF");

    const std::string sources = test_support::EnvOr("TALMORIS_HELP_SOURCES", "");
    ASSERT_FALSE(sources.empty()) << "TALMORIS_HELP_SOURCES names the help sources";
    const std::string contents = ReadText(test_support::Join(sources, "contents.hhc"));
    const std::string project = ReadText(test_support::Join(sources, "help.hhp"));
    const struct {
        const char* file;
        const char* title;
    } topics[] = {
        {"index.htm", "Talmoris"},
        {"scan.htm", "System scan"},
        {"removal.htm", "Removal and quarantine"},
        {"cookies.htm", "Cookies"},
        {"guards.htm", "Security list"},
        {"add_guard.htm", "Add/Edit Guard"},
        {"events_log.htm", "Events log"},
        {"settings.htm", "Program settings"},
        {"about.htm", "Help/About"},
        {"alert.htm", "Talmoris Security Alert"},
    };
    for (const auto& topic : topics) {
        const std::string text = ReadText(test_support::Join(sources, topic.file));
        EXPECT_NE(text.find(std::string("<title>") + topic.title + "</title>"), std::string::npos) << topic.file;
        EXPECT_NE(text.find(std::string("<h1>") + topic.title + "</h1>"), std::string::npos) << topic.file;
        EXPECT_NE(contents.find(std::string("\"Local\" value=\"") + topic.file + "\""), std::string::npos)
            << topic.file << " in the contents";
        EXPECT_NE(project.find(std::string("\n") + topic.file + "\n"), std::string::npos) << topic.file << " in the project";
        EXPECT_NE(chm.find(std::string("/") + topic.file), std::string::npos) << topic.file << " compiled in";
    }
    EXPECT_NE(project.find("Default topic=index.htm"), std::string::npos);
}

}  // namespace
