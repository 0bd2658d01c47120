// Spyware files: at known locations (KLF), and by name below the user's folders and the Windows folder (FIL).
#pragma once

#include "scanner/search_interface.h"

class TKnownLocationSearch : public TSearchInterface {
public:
    explicit TKnownLocationSearch(TSearch& engine) : TSearchInterface(engine, "KLF") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};

class TFileSearch : public TSearchInterface {
public:
    explicit TFileSearch(TSearch& engine) : TSearchInterface(engine, "FIL") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};
