// The component-stream reader on arbitrary bytes, through the guard list. A
// damaged stream must raise a stream error, never crash, read past the data or
// allocate from an unchecked length; a stream that reads must write back to
// a stream that reads the same guards.
#include <cstdlib>

#include "classlib/exceptions.h"
#include "guard/freeze_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFreezeList list;
    try {
        TMemoryStream in(std::vector<std::uint8_t>(data, data + size));
        ReadComponentRes(in, list);
    } catch (const EStreamError&) {
        return 0;
    }
    TMemoryStream out;
    WriteComponentRes(out, list);
    out.SetPosition(0);
    TFreezeList again;
    ReadComponentRes(out, again);
    if (again.Count() != list.Count())
        std::abort();
    for (int i = 0; i < list.Count(); ++i)
        if (!(*again.GetItem(i) == *list.GetItem(i)))
            std::abort();
    return 0;
}
