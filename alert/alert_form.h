// The alert window: a borderless, always-on-top window at the bottom right
// of the work area that shows one question from the question block, and
// writes the answer (Yes or No, with the always-forbid box) back into it.
#pragma once

#include "classlib/forms.h"
#include "classlib/std_controls.h"
#include "controls/bit_check_box.h"
#include "controls/three_state_button.h"
#include "guard/alert_block.h"

class TfmMain : public TForm {
public:
    // FormCreate: skinned buttons, the painted background, the window's
    // region and its place.
    explicit TfmMain(TComponent* owner);

    String ClassName() const override { return "TfmMain"; }

    // The question from the block: the message, the question and whether
    // the always-forbid box shows (its frame takes the box's room when not).
    void ShowQuestion(const TAlertQuestion& question);
    // The block the answer goes to: "map_" + the request id.
    void SetBlockName(const String& name) { blockName_ = name; }
    // The translation table: "interface\interface.txt" in the folder above
    // the alert program's own.
    void SetTranslationFile(const String& fileName) { translationFile_ = fileName; }

    void btnYesClick(TControl&) { WriteAnswer(true); }
    void btnNoClick(TControl&) { WriteAnswer(false); }

private:
    void PaintBackground();
    void CutWindowRegion();
    void PlaceWindow();
    void FormShow(TForm&);
    void imgBGMouseDown(TControl&, TMouseButton, TShiftState shift, int, int);
    void WriteAnswer(bool yes);

    TImage& imgBG;
    TLabel& lblCaption;
    TLabel& Label2;
    TImage& imgAlert;
    TPanel& plMain;
    TPanel& Panel2;
    TMemo& memMessage;
    TBitCheckBox& cbAlwaysForbidChanges;
    TLabel& lblQuestion;
    TThreeStateButton& btnYes;
    TThreeStateButton& btnNo;
    String blockName_;
    String translationFile_;
};
