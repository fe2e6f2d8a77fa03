// The picture tests run on the GUI thread of a real application object. The
// movie players get entry points that create no windows, so the display's
// start-up needs no player library.
#include <gtest/gtest.h>

#include "PicturesHarness.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "app/Main.h"
#include "osd/Status.h"
#include "osd/TransFlash.h"
#include "gui/Application.h"
#include "gui/Exceptions.h"

namespace {

HWND WINAPI NoPlayer(HWND, const WCHAR*) { return nullptr; }
DWORD WINAPI NoCallback(HWND, FlashCallFunc) { return 0; }
DWORD WINAPI NoCall(HWND, FlashRequest) { return 0; }
DWORD WINAPI NoPlay(HWND) { return 0; }

} // namespace

namespace pictures {

const StartupFacts& StartDisplay() {
    static StartupFacts facts;
    if (facts.ran)
        return facts;
    facts.ran = true;
    try {
        FlashOsdManipulator::Instance().Initialize();
    } catch (const gui::Exception& error) {
        facts.error = error.what();
    }
    if (StatusForm != nullptr && StatusForm->Handle() != nullptr) {
        GetWindowRect(StatusForm->Handle(), &facts.statusRect);
        facts.statusVisible = IsWindowVisible(StatusForm->Handle()) != FALSE;
    }
    return facts;
}

} // namespace pictures

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    FlashEntryPoints entries;
    entries.create = &NoPlayer;
    entries.setCallback = &NoCallback;
    entries.callFunction = &NoCall;
    entries.play = &NoPlay;
    entries.stop = &NoPlay;
    FlashLibrary::Instance().UseEntryPoints(entries);

    gui::Application& app = gui::Application::Instance();
    app.ShowMainForm = false;
    app.Initialize();
    FlashOsdForm = app.CreateForm<TFlashOsdForm>();
    StatusForm = app.CreateForm<TStatusForm>();
    return RUN_ALL_TESTS();
}
