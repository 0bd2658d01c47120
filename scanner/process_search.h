// Running spyware processes (APR) and autorun entries (RUN).
#pragma once

#include "scanner/search_interface.h"

class TProcessSearch : public TSearchInterface {
public:
    explicit TProcessSearch(TSearch& engine) : TSearchInterface(engine, "APR") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};

class TAutorunSearch : public TSearchInterface {
public:
    explicit TAutorunSearch(TSearch& engine) : TSearchInterface(engine, "RUN") {}
    // Its definitions are kept and saved; looking at the machine and removing
    // what was found are not built yet, so a search finds nothing.
    void Search() override { ClearResults(); }
    void Fix() override {}
};
