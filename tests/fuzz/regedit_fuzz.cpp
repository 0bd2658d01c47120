// The REGEDIT4 reader on arbitrary text: it must never crash, over-read or
// hang, and whatever it reads must come out of the writer as lines the
// reader reads back to the same values.
#include <cstdlib>

#include "scanner/regedit_text.h"

namespace {

class TCollector : public TRegFileReceiver {
public:
    std::vector<TRegFileValue> values;
    std::uint32_t OpenKey(TRootKey, const String&) override { return 0; }
    std::uint32_t SetValue(const TRegFileValue& value) override
    {
        values.push_back(value);
        return 0;
    }
    void CloseKey() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TCollector first;
    ReadRegText(String(data, data + size), first);
    String again = String(kRegFileHeader) + RegKeyLine(kCurrentUser, "K");
    size_t written = 0;
    for (const TRegFileValue& value : first.values) {
        const String line = FormatRegValue(value.Name, value.Data.data(), value.Data.size(), value.Type);
        if (line.empty())
            continue;  // a name holding a line break can't be written
        again += line;
        ++written;
    }
    TCollector second;
    if (ReadRegText(again, second) != 0 || second.values.size() != written)
        std::abort();
    size_t at = 0;
    for (const TRegFileValue& value : first.values) {
        if (FormatRegValue(value.Name, value.Data.data(), value.Data.size(), value.Type).empty())
            continue;
        const TRegFileValue& back = second.values[at++];
        if (back.Name != value.Name || back.Type != value.Type || back.Data != value.Data)
            std::abort();
    }
    return 0;
}
