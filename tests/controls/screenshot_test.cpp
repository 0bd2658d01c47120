// The skinned controls with the program's own pictures in a real window
// under Xvfb: checked on screen, and kept as pictures for review, one per
// control, in test-artefacts/.
#include <gtest/gtest.h>


#include "classlib/application.h"
#include "classlib/forms.h"
#include "controls/bit_check_box.h"
#include "controls/bitmapped_combo_box.h"
#include "controls/skin_helpers.h"
#include "controls/three_state_button.h"
#include "support/program_pictures.h"

namespace {

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
}

RECT Around(const std::vector<TControl*>& controls)
{
    RECT r{100000, 100000, -100000, -100000};
    for (const TControl* c : controls) {
        r.left = std::min(r.left, static_cast<LONG>(c->Left()));
        r.top = std::min(r.top, static_cast<LONG>(c->Top()));
        r.right = std::max(r.right, static_cast<LONG>(c->Left() + c->Width()));
        r.bottom = std::max(r.bottom, static_cast<LONG>(c->Top() + c->Height()));
    }
    InflateRect(&r, 4, 4);
    return r;
}

}  // namespace

TEST(Screenshot, TheControlsWithTheProgramsPictures)
{
    const test_support::ProgramModule module("Talmoris.exe");
    ASSERT_NE(module.Get(), nullptr);
    SetCursorPos(1023, 767);  // the mouse away from the buttons: none shows hot
    TForm form(nullptr);
    form.SetBounds(40, 40, 560, 330);
    form.SetColor(clWhite);
    form.SetFont(TFont("Tahoma", -11));

    // Picture buttons: each family, at rest, hot, pressed and disabled.
    std::vector<TControl*> buttons;
    const struct {
        const char* skin;
        const char* shape;
        int top;
    } rows[] = {{"STARTSCAN", "BM_COORD", 8}, {"SOK", "BM_SMALLCOORD", 42}, {"TBSCAN", "BM_TBCOORD", 72},
                {"CLOSE", "BM_CLOSECOORD", 136}};
    for (const auto& row : rows)
        for (int state = 0; state < 4; ++state) {
            TThreeStateButton& button = form.Own<TThreeStateButton>();
            button.SetParent(&form);
            LoadSkinBitmaps(button, row.skin, row.shape, module.Get());
            // The windows size their buttons to the pictures.
            button.SetBounds(8 + state * 110, row.top, button.NormalBitmap().Width(), button.NormalBitmap().Height());
            buttons.push_back(&button);
        }
    // The hot and pressed looks are shown at rest, so all stay on screen together.
    for (size_t row = 0; row < std::size(rows); ++row) {
        static_cast<TThreeStateButton*>(buttons[row * 4 + 1])
            ->SetNormalBitmap(module.Picture(("BM_" + std::string(rows[row].skin) + "_O").c_str()));
        static_cast<TThreeStateButton*>(buttons[row * 4 + 2])
            ->SetNormalBitmap(module.Picture(("BM_" + std::string(rows[row].skin) + "_D").c_str()));
        buttons[row * 4 + 3]->SetEnabled(false);
    }

    // Check boxes in their three states and disabled.
    std::vector<TControl*> boxes;
    for (int i = 0; i < 4; ++i) {
        TBitCheckBox& box = form.Own<TBitCheckBox>();
        box.SetParent(&form);
        box.SetBounds(8 + i * 135, 210, 130, 17);
        box.SetGlyph(TCheckBoxState::cbChecked, module.Picture("CHECKED"));
        box.SetGlyph(TCheckBoxState::cbGrayed, module.Picture("GRAYED"));
        box.SetGlyph(TCheckBoxState::cbUnchecked, module.Picture("UNCHECKED"));
        box.SetCaption(i == 0 ? "Always &forbid" : i == 1 ? "Checked" : i == 2 ? "Grayed" : "Disabled");
        box.SetState(i == 1 || i == 3 ? TCheckBoxState::cbChecked
                     : i == 2        ? TCheckBoxState::cbGrayed
                                     : TCheckBoxState::cbUnchecked);
        box.SetEnabled(i != 3);
        boxes.push_back(&box);
    }

    TBitmappedComboBox& combo = form.Own<TBitmappedComboBox>();
    combo.SetParent(&form);
    combo.SetBounds(8, 250, 200, 21);
    combo.SetNormalBitmap(module.Picture("BM_DROPDOWN_U"));
    combo.SetDownBitmap(module.Picture("BM_DROPDOWN_D"));
    combo.OnDrawItem = [](TBitmappedComboBox& c, int index, const RECT& r, UINT) {
        HDC dc = GetDC(c.Handle());
        const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &r, white);
        DeleteObject(white);
        TSelectFont font(dc, c.Font());
        SetBkMode(dc, TRANSPARENT);
        RECT text = r;
        text.left += 4;
        DrawTextA(dc, index == 0 ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE", -1, &text,
                  DT_SINGLELINE | DT_VCENTER);
        ReleaseDC(c.Handle(), dc);
    };
    combo.AddItem("HKEY_CURRENT_USER");
    combo.SetItemIndex(0);
    form.Show();
    Settle();
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    Settle();

    using test_support::KeepArtefact;
    using test_support::ScreenShot;
    KeepArtefact(ScreenShot(form.Handle(), RECT{0, 0, form.Width(), form.Height()}), "controls.bmp");
    KeepArtefact(ScreenShot(form.Handle(), Around(buttons)), "three-state-button.bmp");
    KeepArtefact(ScreenShot(form.Handle(), Around(boxes)), "bit-check-box.bmp");
    KeepArtefact(ScreenShot(form.Handle(), Around({&combo})), "bitmapped-combo-box.bmp");

    // On screen: each button at rest shows its picture inside the shape and
    // the form's white outside it.
    for (size_t row = 0; row < std::size(rows); ++row) {
        auto* atRest = static_cast<TThreeStateButton*>(buttons[row * 4]);
        const TBitmap shot = ScreenShot(form.Handle(), RECT{atRest->Left(), atRest->Top(),
                                                            atRest->Left() + atRest->Width(),
                                                            atRest->Top() + atRest->Height()});
        const TBitmap& shape = atRest->CoordinateBitmap();
        const TBitmap& picture = atRest->NormalBitmap();
        int wrong = 0;
        for (int y = 0; y < shape.Height(); ++y)
            for (int x = 0; x < shape.Width(); ++x) {
                const bool inside = shape.Pixel(x, y) != shape.Pixel(0, 0);
                const COLORREF want = picture.Pixel(x, y) == picture.Pixel(0, 0) ? RGB(255, 255, 255)
                                                                                  : picture.Pixel(x, y);
                if (inside && shot.Pixel(x, y) != want)
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0) << rows[row].skin;
    }
    // The checked box shows its glyph on the form's colour.
    const TBitmap checked = module.Picture("CHECKED");
    const TBitmap shot = ScreenShot(form.Handle(), RECT{boxes[1]->Left(), boxes[1]->Top(), boxes[1]->Left() + 19,
                                                  boxes[1]->Top() + 17});
    const int glyphTop = (17 - checked.Height()) / 2;
    const COLORREF key = checked.Pixel(0, checked.Height() - 1);
    int wrong = 0;
    for (int y = 0; y < checked.Height(); ++y)
        for (int x = 0; x < checked.Width(); ++x) {
            const COLORREF want = checked.Pixel(x, y) == key ? RGB(255, 255, 255) : checked.Pixel(x, y);
            wrong += shot.Pixel(x, glyphTop + y) != want;
        }
    EXPECT_EQ(wrong, 0);
}
