// protection.list on arbitrary bytes, through the store's reading and
// writing. A damaged file must raise a stream error, never crash or read
// past the data; the records read before the damage, and a file that reads
// whole, must write back to a file that reads the same records; the missing
// defaults added to them leave no predefined protection out.
#include <algorithm>
#include <cstdlib>

#include "classlib/exceptions.h"
#include "guard/interface_translator.h"
#include "support/protection_records.h"

namespace {

struct Places : ISystemPlaces {
    String WindowsFolder() const override { return "C:\\WINDOWS\\"; }
    String SystemFolder() const override { return "C:\\WINDOWS\\system32\\"; }
    String SpecialFolder(int csidl) const override { return csidl == 29 ? String() : "C:\\Folder" + IntToStr(csidl); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    test_support::ProtectionRecords list;
    try {
        TMemoryStream in(std::vector<std::uint8_t>(data, data + size));
        ReadComponentRes(in, list);
    } catch (const EStreamError&) {
        // What was read whole stays, and must be as good as a whole file.
    }
    TMemoryStream out;
    WriteComponentRes(out, list);
    out.SetPosition(0);
    test_support::ProtectionRecords again;
    ReadComponentRes(out, again);
    if (again.records != list.records)
        std::abort();

    const Places places;
    for (const TProtectionRecord& r : list.records)
        if (!r.Predefined && PredefinedPath(r, places) != r.Path)
            std::abort();
    const TInterfaceTranslator english;
    const auto defaults = DefaultProtections(places, "C:\\p\\", english);
    auto records = list.records;
    const int added = AddMissingDefaults(records, defaults);
    if (records.size() != list.records.size() + static_cast<size_t>(added))
        std::abort();
    for (const TProtectionRecord& d : defaults)
        if (std::none_of(records.begin(), records.end(), [&d](const TProtectionRecord& r) {
                return r.PredefinedType == d.PredefinedType && r.Id == d.Id;
            }))
            std::abort();
    return 0;
}
