// The spyware.def reader and the definition texts it carries, on arbitrary
// bytes, through the engine as the program applies them: splitting lines
// and applying each "+" and "-" line must never crash or over-read, and the
// database saved afterwards must load back with the same definitions.
#include <cstdlib>

#include "classlib/streams.h"
#include "scanner/definitions_change_file.h"
#include "support/store_only_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TStoreOnlyEngine engine;
    for (const TDefinitionChange& change : ParseDefinitionChanges(String(data, data + size))) {
        if (change.Add)
            engine.search.AddDefinition(change.Text);
        else
            engine.search.DeleteDefinition(change.Text);
    }
    TMemoryStream file;
    if (!engine.search.SaveDatabaseTo(file))
        std::abort();
    file.SetPosition(0);
    TStoreOnlyEngine reloaded;
    if (reloaded.search.LoadDatabaseFrom(file, "") != TDatabaseLoad::Loaded ||
        reloaded.search.DefinitionCount() != engine.search.DefinitionCount())
        std::abort();
    return 0;
}
