// The pictures both programs ship: every skin the windows ask for is in the
// program's own module, in all four states, each the size of its shape map,
// at the colour depth the windows were drawn for; key pixels where the
// controls look for them, and pure black only where windows are cut.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "classlib/graphics.h"
#include "controls/skin_helpers.h"
#include "controls/three_state_button.h"
#include "support/program_pictures.h"

namespace {

using TResourceModule = test_support::ProgramModule;

struct TFamily {
    const char* shape;
    std::vector<const char*> skins;
};

const TFamily kNormal{"BM_COORD",
                      {"ABORT", "BACK", "BACKUPLOG", "BYDOMAIN", "BYFILE", "CLEARLOG", "COLLECT", "DELETEGUARD",
                       "EDITGUARD", "ERASE", "FINISH", "MARKALL", "NEWGUARD", "NEXT", "REMOVE", "RESTORE",
                       "SAVESETTINGS", "SHOWHELP", "STARTSCAN"}};
// The message box and the download form put Cancel beside the small OK,
// Yes and No buttons, on the small shape map.
const TFamily kSmall{"BM_SMALLCOORD", {"SCANCEL", "SNO", "SOK", "SYES"}};
const TFamily kToolbar{"BM_TBCOORD",
                       {"TBHELP", "TBLOG", "TBREG", "TBSCAN", "TBSECLIST", "TBSETT", "TBSTARTGUARD", "TBSTOPGUARD"}};
const TFamily kWindowButtons{"BM_CLOSECOORD", {"CLOSE", "TOTRAY"}};
const TFamily kAlertButtons{"BM_SMALLCOORD", {"SNO", "SYES"}};

struct TExpectedPicture {
    const char* name;
    int width, height, bitCount;
};

const std::vector<TExpectedPicture> kTalmorisPictures = {
    {"BM_COORD", 100, 27, 4},     {"BM_SMALLCOORD", 59, 22, 4},  {"BM_TBCOORD", 73, 57, 4},
    {"BM_CLOSECOORD", 20, 20, 4}, {"CHECKED", 19, 14, 4},        {"GRAYED", 19, 14, 4},
    {"UNCHECKED", 19, 14, 4},     {"BM_TH", 47, 22, 24},         {"BM_THS", 47, 22, 24},
    {"MB_CAPTION", 360, 34, 8},   {"MB_PATTERN", 360, 1, 4},     {"MB_BOTTOM", 360, 14, 8},
    {"MB_ADDFREEZE", 463, 364, 24}, {"BANNER", 26, 110, 24},     {"BM_SCROLL", 80, 17, 24},
    {"BM_INFORMATION", 32, 32, 24}, {"BM_QUESTION", 32, 32, 24},
};
const std::vector<TExpectedPicture> kQuorvinPictures = {
    {"BM_SMALLCOORD", 59, 22, 4}, {"CHECKED", 19, 14, 4},      {"GRAYED", 19, 14, 4},
    {"UNCHECKED", 19, 14, 4},     {"MB_CAPTION", 300, 42, 8},  {"MB_PATTERN", 300, 2, 4},
    {"MB_BOTTOM", 300, 26, 8},    {"BM_ALERT", 32, 32, 24},
};

bool HasPureBlack(const TBitmap& picture)
{
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.Pixel(x, y) == RGB(0, 0, 0))
                return true;
    return false;
}

void ExpectPictures(const TResourceModule& module, const std::vector<TExpectedPicture>& pictures)
{
    for (const TExpectedPicture& expected : pictures) {
        BITMAPINFOHEADER header{};
        ASSERT_TRUE(module.Header(expected.name, header)) << expected.name;
        EXPECT_EQ(header.biWidth, expected.width) << expected.name;
        EXPECT_EQ(std::abs(header.biHeight), expected.height) << expected.name;
        EXPECT_EQ(header.biBitCount, expected.bitCount) << expected.name;
    }
}

// Every state of every skin, the size of the family's shape map; outside
// the shape the picture shows only its top-left colour, which painting
// leaves out, so what the mouse hits is what the user sees.
void ExpectFamilies(const TResourceModule& module, const std::vector<TFamily>& families)
{
    for (const TFamily& family : families) {
        const TBitmap shape = module.Picture(family.shape);
        ASSERT_FALSE(shape.Empty()) << family.shape;
        const COLORREF outside = shape.Pixel(0, 0);
        for (const char* skin : family.skins)
            for (const char* state : {"_U", "_O", "_D", "_I"}) {
                const std::string name = std::string("BM_") + skin + state;
                const TBitmap picture = module.Picture(name);
                ASSERT_FALSE(picture.Empty()) << name;
                EXPECT_EQ(picture.Width(), shape.Width()) << name;
                EXPECT_EQ(picture.Height(), shape.Height()) << name;
                EXPECT_FALSE(HasPureBlack(picture)) << name;
                const COLORREF key = picture.Pixel(0, 0);
                int strays = 0;
                for (int y = 0; y < shape.Height(); ++y)
                    for (int x = 0; x < shape.Width(); ++x)
                        if (shape.Pixel(x, y) == outside && picture.Pixel(x, y) != key)
                            ++strays;
                EXPECT_EQ(strays, 0) << name << ": pixels drawn outside the shape";

                TThreeStateButton button(nullptr);
                EXPECT_NO_THROW(LoadSkinBitmaps(button, skin, family.shape, module.Get())) << name;
            }
    }
}

}  // namespace

TEST(SkinResources, TheMainProgramHasEveryPicture)
{
    const TResourceModule module("Talmoris.exe");
    ASSERT_NE(module.Get(), nullptr);
    ExpectPictures(module, kTalmorisPictures);
    ExpectFamilies(module, {kNormal, kSmall, kToolbar, kWindowButtons});
}

TEST(SkinResources, TheAlertProgramHasEveryPicture)
{
    const TResourceModule module("Quorvin\\quorvin.exe");
    ASSERT_NE(module.Get(), nullptr);
    ExpectPictures(module, kQuorvinPictures);
    ExpectFamilies(module, {kAlertButtons});
}

TEST(SkinResources, KeyPixelsWhereTheControlsLookForThem)
{
    for (const char* program : {"Talmoris.exe", "Quorvin\\quorvin.exe"}) {
        const TResourceModule module(program);
        ASSERT_NE(module.Get(), nullptr) << program;
        // Check-box glyphs: the bottom-left colour is left out, and it is nowhere else.
        for (const char* glyphName : {"CHECKED", "GRAYED", "UNCHECKED"}) {
            const TBitmap glyph = module.Picture(glyphName);
            ASSERT_FALSE(glyph.Empty()) << program << " " << glyphName;
            const COLORREF key = glyph.Pixel(0, glyph.Height() - 1);
            int keyPixels = 0;
            for (int y = 0; y < glyph.Height(); ++y)
                for (int x = 0; x < glyph.Width(); ++x)
                    keyPixels += glyph.Pixel(x, y) == key;
            EXPECT_LT(keyPixels, glyph.Width() * glyph.Height() / 2) << glyphName << ": the box is drawn";
            EXPECT_FALSE(HasPureBlack(glyph)) << glyphName;
        }
        // Window backgrounds are cut along pure black: the caption's corner.
        const TBitmap caption = module.Picture("MB_CAPTION");
        EXPECT_EQ(caption.Pixel(0, 0), RGB(0, 0, 0)) << program;
        EXPECT_NE(caption.Pixel(caption.Width() / 2, caption.Height() / 2), RGB(0, 0, 0)) << program;
    }
    const TResourceModule talmoris("Talmoris.exe");
    // Tab skins: their bottom-left colour is left out of the three slices.
    for (const char* tab : {"BM_TH", "BM_THS"}) {
        const TBitmap skin = talmoris.Picture(tab);
        const COLORREF key = skin.Pixel(0, skin.Height() - 1);
        EXPECT_NE(skin.Pixel(skin.Width() / 2, skin.Height() / 2), key) << tab;
        EXPECT_FALSE(HasPureBlack(skin)) << tab;
    }
    for (const char* picture : {"BANNER", "BM_SCROLL", "BM_INFORMATION", "BM_QUESTION"})
        EXPECT_FALSE(HasPureBlack(talmoris.Picture(picture))) << picture;
    // The add-guard dialog is cut along its black corners only.
    const TBitmap dialog = talmoris.Picture("MB_ADDFREEZE");
    EXPECT_EQ(dialog.Pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(dialog.Pixel(dialog.Width() - 1, dialog.Height() - 1), RGB(0, 0, 0));
    EXPECT_NE(dialog.Pixel(dialog.Width() / 2, 1), RGB(0, 0, 0));
}
