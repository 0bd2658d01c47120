// Talmoris: one instance per desktop; the main form does the rest, hidden in
// the notification area or shown, until it is closed.
#include <windows.h>

#include "classlib/application.h"
#include "ui/main_form.h"
#include "ui/single_instance.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TInstanceMutex instance;
    if (instance.AnotherInstanceRuns() && HandOverToRunningInstance())
        return 0;

    TApplication& application = TApplication::Instance();
    application.SetTitle("Talmoris");
    try {
        TfmMain form(nullptr);
        application.SetMainForm(&form);
        if (!form.HandleAllocated())
            return 1;  // no window can be made (no display): nothing to run
        if (!application.Terminated())
            application.Run();
        application.SetMainForm(nullptr);
    } catch (...) {
        // What escaped the main form's creation or the message loop ends the run.
        application.SetMainForm(nullptr);
        application.HandleException();
    }
    return 0;
}
