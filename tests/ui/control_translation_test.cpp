#include "ui/control_translation.h"

#include <gtest/gtest.h>

#include "classlib/application.h"

#include "support/test_support.h"

namespace {

// A control that publishes a caption.
class TCaptioned : public TWinControl {
public:
    using TWinControl::TWinControl;
    bool PublishesTextProperty(const String& name) const override { return name == "Caption" || name == "Hint"; }
};

}  // namespace

TEST(ControlTranslation, FormsAndFramesAreTranslatedByTheirOwnersNames)
{
    test_support::TempFolder folder;
    test_support::WriteAll(folder.File("interface.txt"),
                           "fmMain.Caption=Main\r\n"
                           "fmMain.btnOk.Caption=OK!\r\n"
                           "fmMain.btnOk.Hint=Press\r\n"
                           "frameLog.lblTitle.Caption=Log title\r\n"
                           "fmMain.lblTitle.Caption=wrong owner\r\n");
    TInterfaceTranslator translator;
    translator.LoadFromFile(folder.File("interface.txt"));

    TCaptioned form(&TApplication::Instance());
    form.SetName("fmMain");
    TCaptioned& ok = form.Own<TCaptioned>();
    ok.SetName("btnOk");
    ok.SetParent(&form);
    TCaptioned& frame = form.Own<TCaptioned>();
    frame.SetName("frameLog");
    frame.SetParent(&form);
    TCaptioned& label = frame.Own<TCaptioned>();
    label.SetName("lblTitle");
    label.SetParent(&frame);
    TWinControl& plain = form.Own<TWinControl>();  // publishes no caption
    plain.SetName("pnlPlain");
    plain.SetParent(&form);
    plain.SetCaption("kept");

    TranslateControls(translator, form);
    EXPECT_EQ(form.Caption(), "Main");  // the application owns the form: no prefix
    EXPECT_EQ(ok.Caption(), "OK!");
    EXPECT_EQ(ok.Hint(), "Press");
    EXPECT_EQ(label.Caption(), "Log title");
    EXPECT_EQ(plain.Caption(), "kept");
}
