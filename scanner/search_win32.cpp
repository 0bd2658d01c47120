// The engine as the program makes it: texts from the program's translation
// table and the seven scanners.
#include "guard/common.h"
#include "guard/interface_translator.h"
#include "scanner/bho_search.h"
#include "scanner/browser_hijack_search.h"
#include "scanner/known_location_search.h"
#include "scanner/process_search.h"
#include "scanner/registry_key_search.h"
#include "scanner/search.h"

namespace {

TSearchTexts ProgramTexts()
{
    TInterfaceTranslator translator;
    translator.LoadFromFile(InterfaceFileName(GetProgramFolder()));
    return TSearchTexts(translator);
}

}  // namespace

TSearch::TSearch(const String& dataFolder) : TSearch(ProgramTexts(), dataFolder)
{
    AddScanner<TProcessSearch>();
    AddScanner<TBrowserHijackSearch>();
    AddScanner<TRegKeySearch>();
    AddScanner<TAutorunSearch>();
    AddScanner<TBHOSearch>();
    AddScanner<TFileSearch>();
    AddScanner<TKnownLocationSearch>();
}
