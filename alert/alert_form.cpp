#include "alert/alert_form.h"

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "classlib/form_building.h"
#include "classlib/win_handle.h"
#include "alert/alert_texts.h"
#include "controls/skin_helpers.h"

namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 306;
constexpr TColor kBodyColour = RGBColor(255, 253, 219);
constexpr TColor kCaptionColour = RGBColor(38, 70, 130);
constexpr int kFrameGrowth = 30;  // the message frame takes a hidden check box's room

}  // namespace

TfmMain::TfmMain(TComponent* owner)
    : TForm(owner),
      imgBG(Place<TImage>(*this, *this, "imgBG", 0, 0, kClientWidth, kClientHeight)),
      lblCaption(Place<TLabel>(*this, *this, "lblCaption", 10, 5, 163, 16)),
      Label2(Place<TLabel>(*this, *this, "Label2", 51, 42, 234, 30)),
      imgAlert(Place<TImage>(*this, *this, "imgAlert", 12, 40, 32, 32)),
      plMain(Place<TPanel>(*this, *this, "plMain", 17, 78, 265, 132)),
      Panel2(Place<TPanel>(*this, plMain, "Panel2", 1, 1, 263, 130)),
      memMessage(Place<TMemo>(*this, Panel2, "memMessage", 2, 2, 259, 126)),
      cbAlwaysForbidChanges(Place<TBitCheckBox>(*this, *this, "cbAlwaysForbidChanges", 17, 214, 208, 17)),
      lblQuestion(Place<TLabel>(*this, *this, "lblQuestion", 16, 253, 10, 16)),
      btnYes(Place<TThreeStateButton>(*this, *this, "btnYes", 161, 250, 59, 22)),
      btnNo(Place<TThreeStateButton>(*this, *this, "btnNo", 223, 250, 59, 22))
{
    SetName("fmMain");
    SetStayOnTop(true);
    SetBounds(0, 0, kClientWidth, kClientHeight);
    SetColor(kBodyColour);
    SetFont(TFont("MS Sans Serif", -11));
    SetCaption("Talmoris Security Alert");

    lblCaption.SetCaption("Talmoris Security Alert");
    lblCaption.SetFont(TFont("Tahoma", -13, fsBold, kCaptionColour));
    Label2.SetCaption("Talmoris Security Alert has found the following changes:");
    Label2.SetWordWrap(true);
    Label2.SetFont(TFont("Tahoma", -11, fsBold, clMaroon));
    plMain.SetColor(RGBColor(182, 183, 192));
    Panel2.SetColor(kBodyColour);
    memMessage.SetColor(kBodyColour);
    memMessage.SetFont(TFont("Tahoma", -11, 0, clBlack));
    cbAlwaysForbidChanges.SetCaption("Always forbid these changes");
    cbAlwaysForbidChanges.SetFont(TFont("Tahoma", -11, 0, clBlack));
    lblQuestion.SetAutoSize(true);
    lblQuestion.SetFont(TFont("Tahoma", -13, fsBold, kCaptionColour));
    btnNo.SetTabOrder(btnYes.TabOrder());  // No comes first when tabbing
    imgAlert.SetTransparent(true);
    imgAlert.Picture().LoadFromResourceName(GetModuleHandleA(nullptr), "BM_ALERT");

    for (TControl* dragger : std::initializer_list<TControl*>{&imgBG, &lblCaption, &lblQuestion, &Label2, &imgAlert})
        dragger->OnMouseDown = [this](TControl& c, TMouseButton b, TShiftState s, int x, int y) {
            imgBGMouseDown(c, b, s, x, y);
        };
    btnYes.OnClick = [this](TControl& c) { btnYesClick(c); };
    btnNo.OnClick = [this](TControl& c) { btnNoClick(c); };
    OnShow = [this](TForm& f) { FormShow(f); };

    LoadSkinBitmaps(btnYes, "SYES", "BM_SMALLCOORD");
    LoadSkinBitmaps(btnNo, "SNO", "BM_SMALLCOORD");
    btnYes.SetTransparent(false);
    btnNo.SetTransparent(false);
    try {
        PaintBackground();
        CutWindowRegion();
    } catch (const std::exception&) {
        // A plain rectangular window then.
    }
    PlaceWindow();
}

void TfmMain::PaintBackground()
{
    TBitmap background(Width(), Height());
    TBitmap piece;
    const HMODULE module = GetModuleHandleA(nullptr);
    TBitmapCanvas canvas(background);
    if (!piece.LoadFromResourceName(module, "MB_PATTERN"))
        throw EResNotFound("Resource MB_PATTERN not found");
    const int rows = Height() / piece.Height() + 1;
    for (int i = 0; i < rows; ++i)
        canvas.Canvas().StretchDraw(RECT{0, i * piece.Height(), Width(), (i + 1) * piece.Height()}, piece);
    if (!piece.LoadFromResourceName(module, "MB_CAPTION"))
        throw EResNotFound("Resource MB_CAPTION not found");
    canvas.Canvas().StretchDraw(RECT{0, 0, Width(), piece.Height()}, piece);
    if (!piece.LoadFromResourceName(module, "MB_BOTTOM"))
        throw EResNotFound("Resource MB_BOTTOM not found");
    canvas.Canvas().StretchDraw(RECT{0, Height() - piece.Height(), Width(), Height()}, piece);
    imgBG.SetPicture(background);
}

void TfmMain::CutWindowRegion()
{
    const TBitmap& background = imgBG.Picture();
    if (background.Empty())
        return;
    const COLORREF corner = background.Pixel(0, 0);
    if (HRGN region = CreateRegionFromBitmap(background.Handle(), corner, 0))
        SetWindowRgn(Handle(), region, FALSE);  // the window owns the region from here
}

void TfmMain::PlaceWindow()
{
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetBounds(work.right - Width() - 20, work.bottom - Height(), Width(), Height());
}

void TfmMain::ShowQuestion(const TAlertQuestion& question)
{
    memMessage.SetText(question.Message);
    lblQuestion.SetCaption(question.Question);
    cbAlwaysForbidChanges.SetVisible(question.ShowCheckBox);
    if (!question.ShowCheckBox)
        plMain.SetBounds(plMain.Left(), plMain.Top(), plMain.Width(), plMain.Height() + kFrameGrowth);
    Panel2.SetBounds(1, 1, plMain.Width() - 2, plMain.Height() - 2);
    memMessage.SetBounds(2, 2, Panel2.Width() - 4, Panel2.Height() - 4);
}

void TfmMain::FormShow(TForm&)
{
    try {
        if (translationFile_.empty() || !FileExists(translationFile_))
            return;
        TStringList table;
        table.LoadFromFile(translationFile_);
        TAlertTexts texts{Caption(), cbAlwaysForbidChanges.Caption(), lblQuestion.Caption(), Label2.Caption()};
        TranslateAlertTexts(table, texts);
        SetCaption(texts.Caption);
        lblCaption.SetCaption(texts.Caption);
        cbAlwaysForbidChanges.SetCaption(texts.CheckBox);
        lblQuestion.SetCaption(texts.Question);
        Label2.SetCaption(texts.Heading);
    } catch (const std::exception&) {
        // Texts not replaced yet stay English.
    }
    TApplication::Instance().SetTitle(Caption());
}

void TfmMain::imgBGMouseDown(TControl&, TMouseButton, TShiftState shift, int, int)
{
    if (!(shift & ssLeft))
        return;
    ReleaseCapture();
    SendMessageA(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void TfmMain::WriteAnswer(bool yes)
{
    const std::int32_t answer = yes ? kAlertYes : kAlertNo;
    const std::int32_t flag = cbAlwaysForbidChanges.Visible() && cbAlwaysForbidChanges.Checked() ? 1 : 0;
    // Opened again for writing; a block that vanished meanwhile takes the answer nowhere.
    TUniqueHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             static_cast<DWORD>(kAlertBlockSize), blockName_.c_str()));
    if (mapping.Valid()) {
        TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
        if (view.Valid())
            WriteAlertAnswer(static_cast<std::uint8_t*>(view.Data()), answer, flag);
    }
    Close();
}
