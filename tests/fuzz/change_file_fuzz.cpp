// The spyware.def reader and the definition texts it carries, on arbitrary
// bytes: splitting lines and applying each "+" and "-" line to the stores
// must never crash or over-read, and whatever was appended must load back.
#include <cstdlib>

#include "classlib/streams.h"
#include "scanner/definitions_change_file.h"
#include "support/store_only_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TStoreOnlyEngine engine;
    TSearch& search = engine.search;
    TMemoryStream file;
    file.Write("SDF", 3);
    for (const TDefinitionChange& change : ParseDefinitionChanges(String(data, data + size))) {
        if (change.Text.size() < 4)
            continue;
        TSearchInterface* scanner = search.ScannerOf(UpperCase(change.Text.substr(0, 3)));
        if (!scanner)
            continue;
        if (change.Add)
            scanner->AppendDefinition(file, change.Text.substr(4));
        else
            search.DeleteDefinition(change.Text);
    }
    file.SetPosition(0);
    TStoreOnlyEngine reloaded;
    if (reloaded.search.LoadDatabaseFrom(file, "") != TDatabaseLoad::Loaded)
        std::abort();
    return 0;
}
