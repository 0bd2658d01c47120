// Reads and writes protection.list for the peer test against Free Pascal's
// own component streaming. One protection per line of text: kind, path,
// list file, display name, enabled, watch subtree, predefined (each 0/1),
// predefined type, id (signed); strings in hexadecimal, "-" for an empty one.
// Paths are stored and shown as they stand (no machine's places).
//   protection_list_tool write <protections.txt> <protection.list>
//   protection_list_tool dump <protection.list>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "classlib/exceptions.h"
#include "support/protection_records.h"

namespace {

String FromHex(const std::string& hex)
{
    if (hex == "-")
        return String();
    String s;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        s += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return s;
}

std::string ToHex(const String& s)
{
    if (s.empty())
        return "-";
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : s) {
        hex += kHex[c >> 4];
        hex += kHex[c & 0xF];
    }
    return hex;
}

int Write(const char* textFile, const char* listFile)
{
    std::ifstream in(textFile);
    test_support::ProtectionRecords list;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::istringstream fields(line);
        int kind, enabled, subtree, predefined, type;
        long long id;
        std::string path, listName, display;
        if (!(fields >> kind >> path >> listName >> display >> enabled >> subtree >> predefined >> type >> id))
            return 2;
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
    }
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
    try {
        if (argc == 4 && std::string(argv[1]) == "write")
            return Write(argv[2], argv[3]);
        if (argc == 3 && std::string(argv[1]) == "dump")
            return Dump(argv[2]);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: protection_list_tool write <protections.txt> <protection.list> | dump <protection.list>\n");
    return 2;
}
