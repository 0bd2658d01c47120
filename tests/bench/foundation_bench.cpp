// Speed of the foundation's hot paths: digests, the guard list file and the
// translation table. Prints one line per figure; scripts/bench runs it.
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "classlib/file_system.h"
#include "guard/crc32.h"
#include "guard/freeze_list.h"
#include "guard/interface_translator.h"
#include "guard/md5_encoder.h"
#include "support/store_only_engine.h"

namespace {

// The best of several rounds, in seconds.
double Best(int rounds, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = took.count() < best ? took.count() : best;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const String folder = argc > 1 ? IncludeTrailingPathDelimiter(argv[1]) : String("./");
    ForceDirectories(folder);

    std::vector<std::uint8_t> data(64u << 20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    volatile std::uint32_t sink = 0;
    const double crc = Best(3, [&] { sink = ComputeCRC32(data.data(), data.size()); });
    std::printf("CRC-32 of 64 MiB: %.0f MiB/s\n", 64 / crc);
    const double md5 = Best(3, [&] { sink = static_cast<std::uint32_t>(HashBytesMD5(data.data(), data.size()).size()); });
    std::printf("MD5 of 64 MiB: %.0f MiB/s\n", 64 / md5);

    TFreezeList list;
    for (int i = 0; i < 1000; ++i) {
        auto g = std::make_unique<TSingleFreeze>();
        g->RootKeyName = "HKEY_LOCAL_MACHINE";
        g->KeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\" + IntToStr(i);
        g->DisplayName = "Guard " + IntToStr(i);
        g->GuidText = "{00000000-0000-0000-0000-" + IntToHex(static_cast<unsigned>(i), 12) + "}";
        g->Id = GuardIdFromGuid(g->GuidText);
        list.Add(std::move(g));
    }
    const String listFile = folder + "bench.freeze.list";
    const double save = Best(5, [&] { list.SaveToFile(listFile); });
    const double load = Best(5, [&] {
        TFreezeList back;
        back.LoadFromFile(listFile);
    });
    std::printf("freeze.list of 1000 guards: save %.2f ms, load %.2f ms\n", save * 1000, load * 1000);

    String table;
    for (int i = 0; i < 10000; ++i)
        table += IntToStr(i) + "=Translated text number " + IntToStr(i) + "\r\n";
    const String tableFile = folder + "bench.interface.txt";
    WriteFileAtomically(tableFile, table.data(), table.size());
    TInterfaceTranslator translator;
    const double loadTable = Best(5, [&] { translator.LoadFromFile(tableFile); });
    const double lookups = Best(3, [&] {
        for (int i = 0; i < 10000; ++i)
            sink = static_cast<std::uint32_t>(translator.Translate(IntToStr(i), "x").size());
    });
    std::printf("translation table of 10000 lines: load %.2f ms, 10000 lookups %.2f ms\n", loadTable * 1000,
                lookups * 1000);

    // A definitions database of 100,000 definitions spread over the stores.
    const String database = folder + "bench.spyware.db";
    {
        TStoreOnlyEngine engine;
        WriteFileAtomically(database, "SDF", 3);
        for (int i = 0; i < 20000; ++i) {
            const String n = IntToStr(i);
            for (const String& definition :
                 {"APR spy" + n + ".exe", "FIL spy" + n + ".dll=spy" + n, "KLF <WD>\\spy" + n + ".exe=spy" + n,
                  "KEY HKEY_LOCAL_MACHINE=Software\\Spy" + n + "=spy" + n, "RUN run" + n + ".exe"})
                engine.search.AppendDefinition(database, definition);
        }
        engine.search.SaveDatabase(database);
    }
    TStoreOnlyEngine engine;
    const double loadDatabase = Best(5, [&] { engine.search.LoadDatabase(database); });
    const double saveDatabase = Best(5, [&] { engine.search.SaveDatabase(database); });
    std::printf("spyware.db of %u definitions shown (100000 records): load %.1f ms, save %.1f ms\n",
                engine.search.DefinitionCount(), loadDatabase * 1000, saveDatabase * 1000);

    RemoveFile(listFile);
    RemoveFile(tableFile);
    RemoveFile(database);
    return 0;
}
