// Entry point: one copy per user logon, three hidden windows, then the
// message loop until the service tells the program to quit.
#include <windows.h>

#include "osd/Flashosd.h"
#include "app/Main.h"
#include "osd/Status.h"
#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "orva/BiosItem.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The handle stays open for the life of the process; the system
    // releases the mutex at exit.
    CreateMutexA(nullptr, TRUE, kProgramIdentity);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    // "flashobj.dll" must come from beside the program or the system
    // folders, never from whatever folder the program was started in.
    SetDllDirectoryA("");

    gui::Application& app = gui::Application::Instance();
    try {
        app.ShowMainForm = false;
        app.Initialize();
        // A firmware conversion message comes in the middle of an action;
        // its box waits until that action is over, so nothing that runs
        // inside the box's loop meets the action half done.
        bios::SetMessageShower([](const char* text, const char* caption) {
            gui::Application::Instance().ShowMessageLater(text, caption, MB_OK);
        });
        MainForm = app.CreateForm<TMainForm>();
        FlashOsdForm = app.CreateForm<TFlashOsdForm>();
        StatusForm = app.CreateForm<TStatusForm>();
        MainForm->Start();
        app.Run();
    } catch (const gui::Exception& error) {
        app.ShowException(error);
    }
    return 0;
}
