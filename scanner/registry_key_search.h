// Registry keys that spyware creates (KEY).
#pragma once

#include "scanner/search_interface.h"

class TRegKeySearch : public TSearchInterface {
public:
    explicit TRegKeySearch(TSearch& engine) : TSearchInterface(engine, "KEY") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};
