// An engine whose seven scanners hold their real definition stores and look
// at nothing: what the database fuzz targets and benchmarks load into.
#pragma once

#include "scanner/search.h"

class TStoreOnlyScanner : public TSearchInterface {
public:
    using TSearchInterface::TSearchInterface;
    void Search() override {}
    void Fix() override {}
};

struct TStoreOnlyEngine {
    TSearch search{TSearchTexts()};
    TStoreOnlyEngine()
    {
        for (const char* tag : {"0BH", "APR", "BHO", "FIL", "KEY", "KLF", "RUN"})
            search.AddScanner<TStoreOnlyScanner>(tag);
    }
};
