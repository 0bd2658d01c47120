// Spyware files: at known locations (KLF), and by name below the user's folders and the Windows folder (FIL).
#pragma once

#include "scanner/search_interface.h"

// Each definition is one exact location written relative to a well-known
// folder; a file there is a find.
class TKnownLocationSearch : public TSearchInterface {
public:
    explicit TKnownLocationSearch(TSearch& engine) : TSearchInterface(engine, "KLF") {}
    void Search() override;
    void Fix() override;
};

// Each definition is a bare file name, looked for anywhere below the
// documents, application data, Startup and Windows folders.
class TFileSearch : public TSearchInterface {
public:
    explicit TFileSearch(TSearch& engine) : TSearchInterface(engine, "FIL") {}
    void Search() override;
    void Fix() override;

private:
    class TWalk;  // one search's walk of the folder trees
};
