// The one message box of the main program: a skinned, shaped modal form
// that takes the system message box's style bits for its buttons and
// picture (3 Yes/No/Cancel, 4 Yes/No, 64 information, 32 question) and
// answers with the system's result codes (1 OK, 6 Yes, 7 No, 2 Cancel).
#pragma once

#include <functional>

#include "classlib/forms.h"
#include "classlib/std_controls.h"
#include "controls/three_state_button.h"
#include "guard/interface_translator.h"

class TfmMessageBox : public TForm {
    // First made, so it is painted first: everything else lies on it.
    TImage& imgBG;

public:
    // FormCreate: the buttons skinned from `skins`' pictures; raises when
    // a picture is missing.
    explicit TfmMessageBox(TComponent* owner, HMODULE skins = GetModuleHandleA(nullptr));

    String ClassName() const override { return "TfmMessageBox"; }

    // The caption (none: text 34 of `translator`, "Error"), the text, and
    // the buttons and picture the flags ask for.
    void Prepare(const String& text, const String& caption, unsigned flags, const TInterfaceTranslator* translator);
    // Over every other window, owned (not parented) by `foreground`.
    void StayOnTopOf(HWND foreground);

    TLabel& lblMessage;
    TLabel& lblCaption;
    TThreeStateButton& btnClose;
    TImage& imgInformation;
    TImage& imgQuestion;
    TThreeStateButton& btnYes;
    TThreeStateButton& btnNo;
    TThreeStateButton& btnCancel;
    TThreeStateButton& btnOk;

private:
    void FormShow(TForm&);
    void LayoutMessage();
    void PaintBackground();
    void FormKeyDown(TControl&, WORD& key, TShiftState);
    void imgBGMouseDown(TControl&, TMouseButton, TShiftState shift, int x, int y);

    HMODULE skins_;
};

// Shows the box modally and answers its result. When the box can't be made,
// the system message box asks with the same buttons and picture.
int ShowMessageBox(const TInterfaceTranslator* translator, const String& text, const String& caption, unsigned flags,
                   bool stayOnTop, HMODULE skins = GetModuleHandleA(nullptr));

// What a box would ask, for an answerer standing in for the user.
struct TMessageBoxRequest {
    String Text;
    String Caption;
    unsigned Flags = 0;
};
using TMessageBoxAnswerer = std::function<int(const TMessageBoxRequest&)>;

// While an answerer is set, ShowMessageBox shows nothing and answers what it
// says (tests answer the program's boxes from a script). An empty one ends
// that. Answers the answerer that was set before.
TMessageBoxAnswerer SetMessageBoxAnswerer(TMessageBoxAnswerer answerer);
