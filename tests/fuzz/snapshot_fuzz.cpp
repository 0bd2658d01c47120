// The snapshot reader on arbitrary bytes: it must answer, never crash, read
// past the data or allocate from an unchecked length; a snapshot read whole
// must write back to the same bytes.
#include <cstdlib>

#include "guard/registry_snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream in(std::vector<std::uint8_t>(data, data + size));
    TRegistryShapshoot snapshot;
    if (!ReadSnapshot(snapshot, in))
        return 0;
    TMemoryStream out;
    WriteSnapshot(snapshot, out);
    out.SetPosition(0);
    TRegistryShapshoot again;
    if (!ReadSnapshot(again, out))
        std::abort();
    TMemoryStream twice;
    WriteSnapshot(again, twice);
    if (twice.Bytes() != out.Bytes())
        std::abort();
    return 0;
}
