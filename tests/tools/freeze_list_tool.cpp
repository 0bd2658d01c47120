// Reads and writes freeze.list for the peer test against Free Pascal's own
// component streaming. One guard per line of text: state, auto-update (0/1),
// root, key, value, display name, comment, kind, reaction, GUID, id (signed);
// strings in hexadecimal, "-" for an empty one.
//   freeze_list_tool write <guards.txt> <freeze.list>
//   freeze_list_tool dump <freeze.list>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "classlib/exceptions.h"
#include "guard/freeze_list.h"

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
    TFreezeList list;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::istringstream fields(line);
        int state, autoUpdate, kind, reaction;
        long long id;
        std::string root, key, value, display, comment, guid;
        if (!(fields >> state >> autoUpdate >> root >> key >> value >> display >> comment >> kind >> reaction >>
              guid >> id))
            return 2;
        auto g = std::make_unique<TSingleFreeze>();
        g->State = static_cast<std::uint8_t>(state);
        g->AutoUpdate = autoUpdate != 0;
        g->RootKeyName = FromHex(root);
        g->KeyPath = FromHex(key);
        g->ValueName = FromHex(value);
        g->DisplayName = FromHex(display);
        g->Comment = FromHex(comment);
        g->Kind = static_cast<std::uint8_t>(kind);
        g->Reaction = static_cast<std::uint8_t>(reaction);
        g->GuidText = FromHex(guid);
        g->Id = static_cast<std::uint32_t>(id);
        list.Add(std::move(g));
    }
    list.SaveToFile(listFile);
    return 0;
}

int Dump(const char* listFile)
{
    TFreezeList list;
    list.LoadFromFile(listFile);
    for (int i = 0; i < list.Count(); ++i) {
        const TSingleFreeze& g = *list.GetItem(i);
        std::printf("%d %d %s %s %s %s %s %d %d %s %d\n", g.State, g.AutoUpdate ? 1 : 0, ToHex(g.RootKeyName).c_str(),
                    ToHex(g.KeyPath).c_str(), ToHex(g.ValueName).c_str(), ToHex(g.DisplayName).c_str(),
                    ToHex(g.Comment).c_str(), g.Kind, g.Reaction, ToHex(g.GuidText).c_str(),
                    static_cast<int>(static_cast<std::int32_t>(g.Id)));
    }
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
    std::fprintf(stderr, "usage: freeze_list_tool write <guards.txt> <freeze.list> | dump <freeze.list>\n");
    return 2;
}
