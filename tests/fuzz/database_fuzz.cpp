// The definitions database reader on arbitrary bytes: a load must never
// crash, over-read or allocate more than the data could hold, and a database
// that loaded must save to bytes that load back to the same bytes.
#include <cstdlib>

#include "classlib/streams.h"
#include "scanner/search.h"
#include "support/store_only_engine.h"

namespace {

std::vector<std::uint8_t> Saved(TSearch& search)
{
    TMemoryStream saved;
    if (!search.SaveDatabaseTo(saved))
        std::abort();
    return saved.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TStoreOnlyEngine first;
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    if (first.search.LoadDatabaseFrom(input, "") != TDatabaseLoad::Loaded)
        return 0;
    const std::vector<std::uint8_t> once = Saved(first.search);
    if (once.size() > size)  // each record saved is no longer than the one it came from
        std::abort();
    TStoreOnlyEngine second;
    TMemoryStream again(once);
    if (second.search.LoadDatabaseFrom(again, "") != TDatabaseLoad::Loaded || Saved(second.search) != once ||
        second.search.DefinitionCount() != first.search.DefinitionCount())
        std::abort();
    return 0;
}
