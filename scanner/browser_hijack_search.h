// Browser settings set to pages other than the expected ones (0BH).
#pragma once

#include "scanner/search_interface.h"

class TBrowserHijackSearch : public TSearchInterface {
public:
    explicit TBrowserHijackSearch(TSearch& engine) : TSearchInterface(engine, "0BH") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};
