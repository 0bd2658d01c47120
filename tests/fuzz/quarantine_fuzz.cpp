// The quarantine reader on arbitrary bytes: it must never crash or read past
// the data, every record it finds must lie inside the data, and the end of
// the last whole record must be where the records end.
#include <cstdlib>

#include "classlib/streams.h"
#include "scanner/quarantine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream file(std::vector<std::uint8_t>(data, data + size));
    std::vector<TQuarantineRecord> records;
    std::int64_t wholeEnd = 0;
    const TQuarantineRead read = ReadQuarantineRecords(file, records, wholeEnd);
    if (wholeEnd < 0 || static_cast<std::uint64_t>(wholeEnd) > size)
        std::abort();
    std::uint64_t end = read == TQuarantineRead::WrongMagic ? 0 : kQuarantineMagicSize;
    for (const TQuarantineRecord& record : records) {
        if (record.Offset != end)
            std::abort();
        end += kRecordHeaderSize + record.Name.size() + record.PayloadSize;
    }
    if (end != static_cast<std::uint64_t>(wholeEnd) || (read == TQuarantineRead::Whole && end != size))
        std::abort();
    return 0;
}
