#include "ui/message_box_form.h"

#include <exception>

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/exceptions.h"
#include "classlib/form_building.h"
#include "controls/skin_helpers.h"

namespace {

constexpr int kClientWidth = 352;
constexpr int kClientHeight = 181;
constexpr int kMessageWidth = 275;
constexpr int kButtonGap = 14;  // between the buttons and the bottom edge
constexpr RECT kDragArea{0, 0, 400, 26};
constexpr TColor kCaptionColour = 8537638;
constexpr unsigned kYesNoCancel = 3, kYesNo = 4, kInformation = 64, kQuestion = 32;

}  // namespace

TfmMessageBox::TfmMessageBox(TComponent* owner, HMODULE skins)
    : TForm(owner),
      imgBG(Place<TImage>(*this, "imgBG", 0, 0, kClientWidth, kClientHeight)),
      lblMessage(Place<TLabel>(*this, "lblMessage", 63, 40, kMessageWidth, 13)),
      lblCaption(Place<TLabel>(*this, "lblCaption", 8, 7, 292, 16)),
      btnClose(Place<TThreeStateButton>(*this, "btnClose", 327, 3, 20, 20)),
      imgInformation(Place<TImage>(*this, "imgInformation", 17, 40, 32, 32)),
      imgQuestion(Place<TImage>(*this, "imgQuestion", 17, 40, 32, 32)),
      btnYes(Place<TThreeStateButton>(*this, "btnYes", 82, 0, 59, 22)),
      btnNo(Place<TThreeStateButton>(*this, "btnNo", 146, 0, 59, 22)),
      btnCancel(Place<TThreeStateButton>(*this, "btnCancel", 210, 0, 59, 22)),
      btnOk(Place<TThreeStateButton>(*this, "btnOk", 147, 0, 59, 22)),
      skins_(skins)
{
    SetName("fmMessageBox");
    SetBounds(0, 0, kClientWidth, kClientHeight);
    SetKeyPreview(true);
    SetFont(TFont("Tahoma", -11, 0, clBlack));
    lblMessage.SetWordWrap(true);
    lblCaption.SetFont(TFont("Tahoma", -11, fsBold, kCaptionColour));
    for (TImage* image : {&imgInformation, &imgQuestion}) {
        image->SetTransparent(true);
        image->SetVisible(false);
    }
    imgInformation.SetPicture(RequiredPicture(skins_, "BM_INFORMATION"));
    imgQuestion.SetPicture(RequiredPicture(skins_, "BM_QUESTION"));
    for (TThreeStateButton* button : {&btnYes, &btnNo, &btnCancel, &btnOk}) {
        button->SetTabStop(true);
        button->SetVisible(false);
    }

    LoadSkinBitmaps(btnCancel, "SCANCEL", "BM_SMALLCOORD", skins_);
    LoadSkinBitmaps(btnOk, "SOK", "BM_SMALLCOORD", skins_);
    LoadSkinBitmaps(btnYes, "SYES", "BM_SMALLCOORD", skins_);
    LoadSkinBitmaps(btnNo, "SNO", "BM_SMALLCOORD", skins_);
    LoadSkinBitmaps(btnClose, "CLOSE", "BM_CLOSECOORD", skins_);
    for (TThreeStateButton* button : {&btnOk, &btnYes, &btnNo, &btnCancel, &btnClose})
        button->SetTransparent(false);

    btnOk.OnClick = [this](TControl&) { SetModalResult(mrOk); };
    btnYes.OnClick = [this](TControl&) { SetModalResult(mrYes); };
    btnNo.OnClick = [this](TControl&) { SetModalResult(mrNo); };
    btnCancel.OnClick = [this](TControl&) { SetModalResult(mrCancel); };
    btnClose.OnClick = [this](TControl&) { SetModalResult(mrNo); };
    OnShow = [this](TForm& form) { FormShow(form); };
    OnKeyDown = [this](TControl& c, WORD& key, TShiftState shift) { FormKeyDown(c, key, shift); };
    for (TControl* dragger : std::initializer_list<TControl*>{&imgBG, &lblCaption})
        dragger->OnMouseDown = [this](TControl& c, TMouseButton b, TShiftState s, int x, int y) {
            imgBGMouseDown(c, b, s, x, y);
        };

    // Centred on the main form, or on the screen without one.
    if (auto* main = dynamic_cast<TWinControl*>(TApplication::Instance().MainForm()); main && main->Visible())
        CenterOn(*main);
    else
        CenterOnScreen();
}

void TfmMessageBox::Prepare(const String& text, const String& caption, unsigned flags,
                            const TInterfaceTranslator* translator)
{
    const String shown = !caption.empty() ? caption : translator ? translator->Translate("34", "Error") : "Error";
    lblCaption.SetCaption(shown);
    SetCaption(shown);
    lblMessage.SetCaption(text);
    btnOk.SetVisible(true);
    if ((flags & kYesNoCancel) == kYesNoCancel) {
        btnOk.SetVisible(false);
        for (TThreeStateButton* button : {&btnYes, &btnNo, &btnCancel})
            button->SetVisible(true);
    }
    if ((flags & kYesNo) == kYesNo) {
        btnOk.SetVisible(false);
        btnYes.SetVisible(true);
        btnNo.SetVisible(true);
        const int left = (Width() - (btnYes.Width() + btnNo.Width())) / 2;
        btnYes.SetBounds(left, btnYes.Top(), btnYes.Width(), btnYes.Height());
        btnNo.SetBounds(left + btnYes.Width() + 5, btnNo.Top(), btnNo.Width(), btnNo.Height());
        btnCancel.SetVisible(false);
    }
    if ((flags & kInformation) == kInformation) {
        imgInformation.SetVisible(true);
        imgQuestion.SetVisible(false);
    }
    if ((flags & kQuestion) == kQuestion) {  // wins over the information picture
        imgInformation.SetVisible(false);
        imgQuestion.SetVisible(true);
    }
}

void TfmMessageBox::StayOnTopOf(HWND foreground)
{
    // Owned, so it stays a top-level window above its owner and never becomes its child.
    SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(foreground));
    SetStayOnTop(true);
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
}

void TfmMessageBox::LayoutMessage()
{
    lblMessage.SetBounds(lblMessage.Left(), lblMessage.Top(), kMessageWidth, lblMessage.Height());
    lblMessage.SetAutoSize(true);  // the label takes the wrapped text's height
    const int height = std::max(lblMessage.Height() + 100, 100);
    lblMessage.SetAutoSize(false);
    SetBounds(Left(), Top() - (height - Height()) / 2, Width(), height);
    imgBG.SetBounds(0, 0, Width(), height);
    for (TThreeStateButton* button : {&btnOk, &btnYes, &btnNo, &btnCancel})
        button->SetBounds(button->Left(), height - kButtonGap - btnYes.Height(), button->Width(), button->Height());
}

void TfmMessageBox::PaintBackground()
{
    TBitmap background(Width(), Height());
    TBitmapCanvas canvas(background);
    const TBitmap pattern = RequiredPicture(skins_, "MB_PATTERN");
    for (int i = 0; i < Height() / pattern.Height() + 1; ++i)
        canvas.Canvas().StretchDraw(RECT{0, i * pattern.Height(), Width(), (i + 1) * pattern.Height()}, pattern);
    const TBitmap caption = RequiredPicture(skins_, "MB_CAPTION");
    canvas.Canvas().StretchDraw(RECT{0, 0, Width(), caption.Height()}, caption);
    const TBitmap bottom = RequiredPicture(skins_, "MB_BOTTOM");
    canvas.Canvas().StretchDraw(RECT{0, Height() - bottom.Height(), Width(), Height()}, bottom);
    imgBG.SetPicture(background);
}

void TfmMessageBox::FormShow(TForm&)
{
    LayoutMessage();
    try {
        PaintBackground();
    } catch (const std::exception&) {
        // The text and the outline below still apply to what was painted.
    }
    if (!imgInformation.Visible() && !imgQuestion.Visible())
        lblMessage.SetBounds(imgInformation.Left(), lblMessage.Top(), lblMessage.Width() + imgInformation.Width(),
                             lblMessage.Height());
    if (!imgBG.Picture().Empty())
        if (HRGN region = CreateRegionFromBitmap(imgBG.Picture().Handle(), 0, 0))
            SetWindowRgn(Handle(), region, FALSE);  // the window owns the region from here
}

void TfmMessageBox::FormKeyDown(TControl&, WORD& key, TShiftState)
{
    if (key == VK_RETURN && btnOk.Visible()) {
        key = 0;
        SetModalResult(mrOk);
    } else if (key == VK_ESCAPE) {
        key = 0;
        SetModalResult(mrCancel);  // also when no Cancel button shows
    }
}

void TfmMessageBox::imgBGMouseDown(TControl&, TMouseButton, TShiftState shift, int x, int y)
{
    const POINT point{x, y};
    if (!(shift & ssLeft) || !PtInRect(&kDragArea, point))
        return;
    ReleaseCapture();
    SendMessageA(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

namespace {

TMessageBoxAnswerer& Answerer()
{
    static TMessageBoxAnswerer answerer;  // the GUI thread's only
    return answerer;
}

}  // namespace

TMessageBoxAnswerer SetMessageBoxAnswerer(TMessageBoxAnswerer answerer)
{
    std::swap(Answerer(), answerer);
    return answerer;
}

int ShowMessageBox(const TInterfaceTranslator* translator, const String& text, const String& caption, unsigned flags,
                   bool stayOnTop, HMODULE skins)
{
    if (const TMessageBoxAnswerer& answerer = Answerer())
        return answerer({text, caption, flags});
    std::unique_ptr<TfmMessageBox> box;
    try {
        box = std::make_unique<TfmMessageBox>(nullptr, skins);
        box->Handle();
    } catch (const std::exception&) {
        box.reset();
    }
    if (!box || !box->HandleAllocated())
        return MessageBoxA(GetForegroundWindow(), text.c_str(), caption.empty() ? nullptr : caption.c_str(),
                           flags & (MB_TYPEMASK | MB_ICONMASK));
    if (stayOnTop)
        box->StayOnTopOf(GetForegroundWindow());
    box->Prepare(text, caption, flags, translator);
    return box->ShowModal();
}
