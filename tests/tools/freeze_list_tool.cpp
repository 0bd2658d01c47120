// Reads and writes freeze.list for the peer test against Free Pascal's own
// component streaming. One guard per line of text: state, auto-update (0/1),
// root, key, value, display name, comment, kind, reaction, GUID, id (signed);
// strings in hexadecimal, "-" for an empty one.
//   freeze_list_tool write <guards.txt> <freeze.list>
//   freeze_list_tool dump <freeze.list>
#include <cstdio>

#include "guard/freeze_list.h"
#include "support/peer_text.h"

namespace {

using test_support::FromHex;
using test_support::ToHex;

int Write(const char* textFile, const char* listFile)
{
    TFreezeList list;
    const bool read = test_support::ForEachRecordLine(textFile, [&](std::istringstream& fields) {
        int state, autoUpdate, kind, reaction;
        long long id;
        std::string root, key, value, display, comment, guid;
        if (!(fields >> state >> autoUpdate >> root >> key >> value >> display >> comment >> kind >> reaction >>
              guid >> id))
            return false;
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
        return true;
    });
    if (!read)
        return 2;
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
    return test_support::RunPeerTool(argc, argv, "freeze_list_tool write <guards.txt> <freeze.list> | dump <freeze.list>",
                                     Write, Dump);
}
