// Registry keys that spyware creates (KEY).
#pragma once

#include "scanner/search_interface.h"

class TRegKeySearch : public TSearchInterface {
public:
    explicit TRegKeySearch(TSearch& engine) : TSearchInterface(engine, "KEY") {}
    void Search() override;
    void Fix() override;
};
