// Forms: borderless top-level windows owned by the application window, shown
// modeless or modal. ShowModal runs its own message loop until ModalResult
// is set; setting it wakes the loop.
#pragma once

#include "classlib/controls.h"

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };
enum class TCloseAction { caNone, caHide };

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);

    String ClassName() const override { return "TForm"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Caption" || name == "Hint"; }

    bool KeyPreview() const override { return keyPreview_; }
    void SetKeyPreview(bool preview) { keyPreview_ = preview; }
    // Above every window that isn't topmost itself.
    bool StayOnTop() const { return stayOnTop_; }
    void SetStayOnTop(bool stayOnTop);

    void Show();
    void Hide();
    // Runs until ModalResult is set (WM_CLOSE sets mrCancel); the other
    // windows of the thread take no input meanwhile.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result);
    void Close();

    // Centred on the work area of the screen, or on another form.
    void CenterOnScreen();
    void CenterOn(const TWinControl& other);

    std::function<void(TForm&)> OnShow;
    std::function<void(TForm&, TCloseAction&)> OnClose;

protected:
    DWORD ExStyle() const override { return WS_EX_CONTROLPARENT | (stayOnTop_ ? WS_EX_TOPMOST : 0); }

private:
    bool keyPreview_ = false;
    bool stayOnTop_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
};
