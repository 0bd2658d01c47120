// Talmoris: until the main window is built, the program loads what stands
// (the translation table and the guard list) and says so in a message box.
#include <windows.h>

#include "classlib/file_system.h"
#include "guard/common.h"
#include "guard/freeze_list.h"
#include "guard/interface_translator.h"
#include "guard/postponed_log.h"
#include "ui/single_instance.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TInstanceMutex instance;
    if (instance.AnotherInstanceRuns() && HandOverToRunningInstance())
        return 0;

    TInterfaceTranslator translator;
    translator.LoadFromFile(InterfaceFileName(GetProgramFolder()));
    RegisterTextTranslator(&translator);

    const String dataFolder = GetDataFolder();
    ForceDirectories(dataFolder);
    TFreezeList guards;
    LoadFreezeListKeepingDamage(guards, dataFolder + "freeze.list");  // nothing is saved here yet

    String text = TranslateFormat(141, "The main window of Talmoris is not built yet. The guard list holds %u guards.",
                                  {static_cast<unsigned>(guards.Count())});
    for (const TLogLine& line : TakePostponedLogLines())
        text += "\r\n\r\n" + line.text;
    MessageBoxA(nullptr, text.c_str(), "Talmoris", MB_OK | MB_ICONINFORMATION);

    RegisterTextTranslator(nullptr);
    return 0;
}
