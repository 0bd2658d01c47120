// COM classes that spyware installs into the web browser (BHO).
#pragma once

#include "scanner/search_interface.h"

class TBHOSearch : public TSearchInterface {
public:
    explicit TBHOSearch(TSearch& engine) : TSearchInterface(engine, "BHO") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};
