// Running spyware processes (APR) and autorun entries (RUN). Both hold
// lower-case names and take the names users see from files.names.binding in
// the engine's data folder.
#pragma once

#include "scanner/search_interface.h"

// Processes whose image file name is a definition: one item per name, however
// many processes run it; the fix ends every one of them.
class TProcessSearch : public TSearchInterface {
public:
    explicit TProcessSearch(TSearch& engine) : TSearchInterface(engine, "APR") {}
    void Search() override;
    void Fix() override;
};

// Values of the system's autorun keys whose name, or the file name of whose
// program, is a definition; the fix deletes the value.
class TAutorunSearch : public TSearchInterface {
public:
    explicit TAutorunSearch(TSearch& engine) : TSearchInterface(engine, "RUN") {}
    void Search() override;
    void Fix() override;
};
