// Reads and writes protection.list for the peer test against Free Pascal's
// own component streaming. One protection per line of text: kind, path,
// list file, display name, enabled, watch subtree, predefined (each 0/1),
// predefined type, id (signed); strings in hexadecimal, "-" for an empty one.
// Paths are stored and shown as they stand (no machine's places).
//   protection_list_tool write <protections.txt> <protection.list>
//   protection_list_tool dump <protection.list>
#include <cstdio>

#include "support/peer_text.h"
#include "support/protection_records.h"

namespace {

using test_support::FromHex;
using test_support::ToHex;

int Write(const char* textFile, const char* listFile)
{
    test_support::ProtectionRecords list;
    const bool read = test_support::ForEachRecordLine(textFile, [&](std::istringstream& fields) {
        int kind, enabled, subtree, predefined, type;
        long long id;
        std::string path, listName, display;
        if (!(fields >> kind >> path >> listName >> display >> enabled >> subtree >> predefined >> type >> id))
            return false;
        TProtectionRecord r;
        r.Kind = static_cast<std::uint8_t>(kind);
        r.Path = FromHex(path);
        r.ListFile = FromHex(listName);
        r.DisplayName = FromHex(display);
        r.Enabled = enabled != 0;
        r.WatchSubtree = subtree != 0;
        r.Predefined = predefined != 0;
        r.PredefinedType = static_cast<std::uint8_t>(type);
        r.Id = static_cast<std::int32_t>(id);
        list.records.push_back(r);
        return true;
    });
    if (!read)
        return 2;
    WriteComponentResFile(listFile, list);
    return 0;
}

int Dump(const char* listFile)
{
    test_support::ProtectionRecords list;
    ReadComponentResFile(listFile, list);
    for (const TProtectionRecord& r : list.records)
        std::printf("%d %s %s %s %d %d %d %d %d\n", r.Kind, ToHex(r.Path).c_str(), ToHex(r.ListFile).c_str(),
                    ToHex(r.DisplayName).c_str(), r.Enabled ? 1 : 0, r.WatchSubtree ? 1 : 0, r.Predefined ? 1 : 0,
                    r.PredefinedType, static_cast<int>(r.Id));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    return test_support::RunPeerTool(
        argc, argv, "protection_list_tool write <protections.txt> <protection.list> | dump <protection.list>", Write,
        Dump);
}
