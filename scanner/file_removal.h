// The removal of found files, shared by the scanners that find them. One
// object spans a whole fix: critical-error boxes stay off while it lives, and
// the deletion at the next start of a file in use is looked up once.
#pragma once

#include <windows.h>

#include "classlib/file_system.h"
#include "scanner/removal_safety.h"
#include "scanner/search_interface.h"

class TFileRemoval {
public:
    explicit TFileRemoval(TSearchInterface& scanner);

    // Removes the file of the scanner's result `index`. The result is freed
    // when the file is gone or goes at the next start; otherwise it stays and
    // the failure has been reported. Protected files are never touched.
    void Remove(int index);

private:
    using TMoveFileEx = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);

    TSearchInterface& scanner_;
    TQuietFileErrors quiet_;
    TMoveFileEx moveFileEx_ = nullptr;
    TSafetyFolders folders_;
};
