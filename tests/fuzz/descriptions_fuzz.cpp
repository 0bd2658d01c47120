// The descriptions index on arbitrary bytes: indexing must never crash, read
// out of bounds or hang, and every indexed text must lie inside the data.
#include <cstdlib>

#include "classlib/streams.h"
#include "scanner/spyware_descriptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    TSpywareDescriptions descriptions;
    descriptions.LoadFromStream(stream);
    if (descriptions.NameCount() > size || descriptions.BlockCount() > size)
        std::abort();
    String name;
    for (std::size_t i = 0; i < size && i < 64 && data[i] != '\n'; ++i)
        name += static_cast<char>(data[i]);
    if (const TOffsetInfo* info = descriptions.Find(Trim(name)))
        if (static_cast<std::uint64_t>(info->Offset) + info->Length > size)
            std::abort();
    return 0;
}
