// The modal dialog in which the user describes a registry guard: root key,
// key path, the whole key or one value, the reaction, the snapshot update,
// a display name and a comment. It only checks the input against the
// registry (creating a missing key when the user asks to); the guards page
// fills it for an edit and reads the controls back after OK.
#pragma once

#include <windows.h>

#include "classlib/forms.h"
#include "classlib/image_list.h"
#include "classlib/std_controls.h"
#include "controls/bit_check_box.h"
#include "controls/bitmapped_combo_box.h"
#include "controls/flat_edit.h"
#include "controls/three_state_button.h"
#include "guard/interface_translator.h"

class TfmAddFreeze : public TForm {
public:
    // Ends with 1 after a passed check (OK), 2 for Cancel or Esc, 3 for the
    // close button.
    static constexpr int kClosed = 3;

    // `translator` (may be null) translates the controls and the boxes'
    // default caption; the messages come from the shared text lookup. A
    // missing picture of `pictures` raises. Centred on `owner` when it is a
    // form, else on the screen.
    TfmAddFreeze(TComponent* owner, const TInterfaceTranslator* translator,
                 HMODULE pictures = GetModuleHandleA(nullptr));
    ~TfmAddFreeze() override;

    String ClassName() const override { return "TfmAddFreeze"; }

    // Chooses the root key of that name (letter case ignored); the first
    // one for a name not in the list.
    void SelectRootKey(const String& name);
    // The chosen root key's name.
    String RootKeyName() const;

    // The checks, in order; the first that fails says why in a message box
    // and the dialog stays open with the input as typed.
    void btnOkClick();
    void btnCancelClick();
    // The two pairs of check boxes act as radio choices: exactly one of a
    // pair stays checked, also when the checked one is clicked. The kind
    // pair (ToggleState) also enables the value edit for a one-value guard.
    void ToggleState(TBitCheckBox& clicked);
    void ToggleState2(TBitCheckBox& clicked);
    // Enter runs the checks, Esc cancels; both are consumed.
    void FormKeyDown(TControl& sender, WORD& key, TShiftState shift);
    // The caption strip drags the window.
    void imgPatternMouseDown(TControl& sender, TMouseButton button, TShiftState shift, int x, int y);
    void cbKeysDrawItem(TBitmappedComboBox& combo, int index, const RECT& rect, UINT state);

    TImage& imgPattern;
    TLabel& Label6;
    TThreeStateButton& btnClose;
    TLabel& Label9;
    TLabel& Label1;
    TBitmappedComboBox& cbKeys;
    TLabel& Label2;
    TFlatEdit& edKeyToMonitor;
    TLabel& Label7;
    TBitCheckBox& rbAllValuesAndSubKeys;
    TBitCheckBox& rbOnlyValueWithName;
    TFlatEdit& edValueToMonitor;
    TLabel& Label3;
    TBitCheckBox& rbRevokeModifications;
    TBitCheckBox& rbAskMe;
    TBitCheckBox& cbAutoUpdateSnapshoot;
    TLabel& Label8;
    TLabel& Label4;
    TFlatEdit& edDisplayName;
    TLabel& Label5;
    TFlatEdit& edComment;
    TThreeStateButton& btnOk;
    TThreeStateButton& btnCancel;
    TImageList imgStateImages{16, 16};

private:
    void Inform(const String& text);
    static void TogglePair(TBitCheckBox& clicked, TBitCheckBox& other);

    const TInterfaceTranslator* translator_;
    HMODULE pictures_;
    // Messages 0-6 of the shared text lookup, and the creation failure.
    String messages_[7];
    String notCreated_;
};
