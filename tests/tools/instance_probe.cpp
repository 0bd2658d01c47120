// A small build of the main program's entry for the single-instance tests:
// the same mutex, hand-over and published block, with a plain form in place
// of the main form. It appends what happens to %TALMORIS_PROBE_LOG%:
// "handed over", "first", "published", "activated". With
// %TALMORIS_PROBE_HANG% = ms it stops answering messages for that long
// after publishing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "classlib/application.h"
#include "classlib/forms.h"
#include "ui/single_instance.h"

namespace {

void Log(const char* line)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("TALMORIS_PROBE_LOG", path, sizeof path))
        return;
    if (FILE* log = std::fopen(path, "a")) {
        std::fprintf(log, "%lu %s\n", GetCurrentProcessId(), line);
        std::fclose(log);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TInstanceMutex instance;
    if (instance.AnotherInstanceRuns() && HandOverToRunningInstance(1000)) {
        Log("handed over");
        return 0;
    }
    Log("first");
    TApplication& application = TApplication::Instance();
    TForm form(nullptr);
    form.SetCaption("Talmoris instance probe");
    form.SetBounds(100, 100, 200, 100);
    form.SetMessageHandler(WM_ACTIVATE_INSTANCE, [&](TMessage& m) {
        Log("activated");
        form.Show();
        m.Result = 0;
        return true;
    });
    application.SetMainForm(&form);
    TInstanceBlock block;
    if (block.Publish(form.Handle(), application.Handle()))
        Log("published");
    char hang[32] = {};
    if (GetEnvironmentVariableA("TALMORIS_PROBE_HANG", hang, sizeof hang))
        Sleep(static_cast<DWORD>(std::atoi(hang)));
    application.Run();
    application.SetMainForm(nullptr);
    return 0;
}
