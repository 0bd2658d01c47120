// The pictures of the programs themselves in tests: a program's module
// loaded for its resources only, and screenshots kept for review in
// test-artefacts/.
#pragma once

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "classlib/graphics.h"
#include "support/test_support.h"

namespace test_support {

// A file of the staged program folder ("Talmoris.exe", "Quorvin\quorvin.exe").
inline std::string ProgramFile(const std::string& relative)
{
    return Join(EnvOr("TALMORIS_PROGRAM_DIR", "."), relative);
}

class ProgramModule {
public:
    explicit ProgramModule(const std::string& relative)
        : module_(LoadLibraryExA(ProgramFile(relative).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~ProgramModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ProgramModule(const ProgramModule&) = delete;
    ProgramModule& operator=(const ProgramModule&) = delete;
    HMODULE Get() const { return module_; }

    TBitmap Picture(const std::string& name) const
    {
        TBitmap picture;
        picture.LoadFromResourceName(module_, name);
        return picture;
    }
    // The header of a bitmap resource, as stored.
    bool Header(const char* name, BITMAPINFOHEADER& header) const
    {
        const HRSRC found = FindResourceA(module_, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
        if (!found || SizeofResource(module_, found) < sizeof header)
            return false;
        const HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data)
            return false;
        std::memcpy(&header, data, sizeof header);
        return true;
    }

private:
    HMODULE module_;
};

// What the screen shows of `area` (client coordinates of `window`).
inline TBitmap ScreenShot(HWND window, RECT area)
{
    TBitmap shot(area.right - area.left, area.bottom - area.top);
    POINT origin{area.left, area.top};
    ClientToScreen(window, &origin);
    TBitmapDC target(shot);
    HDC screen = GetDC(nullptr);
    BitBlt(target.Get(), 0, 0, shot.Width(), shot.Height(), screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return shot;
}

// Kept as test-artefacts/`name` beside the test programs' folders.
inline void KeepArtefact(const TBitmap& picture, const std::string& name)
{
    const std::string folder = Join(EnvOr("TALMORIS_TEST_TMP", "."), "..\\test-artefacts");
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(picture.SaveToFile(Join(folder, name))) << name;
}

}  // namespace test_support
