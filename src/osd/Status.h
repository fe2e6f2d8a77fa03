// The small status indicator window in the top-right corner: a borderless,
// never-activated tool window whose whole image is "turbo_mode.png" with
// its own transparency. It is prepared and placed but nothing shows it.
#pragma once
#include "gui/Form.h"
#include "gui/Image.h"
#include "widget/LayeredWindow.h"

class TStatusForm : public gui::Form {
public:
    TStatusForm();
    ~TStatusForm() override;

    // Holds the indicator picture; the window shows it as its layered image.
    gui::Image Background;

    // Loads the picture from the resource folder, makes it the window's
    // click-through per-pixel image and sizes the client area to it. A
    // picture file that cannot be opened raises gui::EFOpenError.
    void PrepareStatusWindow();
    // Moves the window 10 pixels in from the screen's top-right corner.
    void PlaceStatusWindow();

    // The per-pixel layered-window maker of the status window, made on
    // first use and kept for the life of the process.
    static TPerPixelLayeredWindowMaker& LayeredMaker();

protected:
    void CreateParams(gui::CreateParams& params) override;
};

// The status window, created at start-up after the OSD window and kept for
// the life of the process; null before and after.
extern TStatusForm* StatusForm;

// Where the status window goes: its left edge for a screen and client width.
int StatusWindowLeft(int screenWidth, int clientWidth);
constexpr int kStatusWindowMargin = 10;
