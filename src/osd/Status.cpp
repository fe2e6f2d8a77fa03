#include "osd/Status.h"

#include "settings/ProgramFolders.h"
#include "osd/PngReader.h"
#include "gui/Screen.h"

int StatusWindowLeft(int screenWidth, int clientWidth) { return screenWidth - clientWidth - kStatusWindowMargin; }

TStatusForm* StatusForm = nullptr;

TStatusForm::TStatusForm() : Background(*this) {
    Background.SetBounds(16, 16, 57, 49);
    Background.SetStretch(false);
}

TStatusForm::~TStatusForm() {
    if (StatusForm == this)
        StatusForm = nullptr;
}

void TStatusForm::CreateParams(gui::CreateParams& params) {
    gui::Form::CreateParams(params);
    params.ClassName = "TStatusForm";
    params.Caption = "StatusForm";
    params.Style = WS_POPUP;
    params.X = 255;
    params.Y = 138;
    params.Width = 138;
    params.Height = 136;
    params.ExStyle = (params.ExStyle | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST) & ~WS_EX_APPWINDOW;
}

TPerPixelLayeredWindowMaker& TStatusForm::LayeredMaker() {
    static TPerPixelLayeredWindowMaker maker;
    return maker;
}

void TStatusForm::PrepareStatusWindow() {
    gui::Bitmap& picture = Background.Picture();
    picture.SetPixelFormat(gui::PixelFormat::pf32bit);
    LoadPngFile(ResourceFolder() + "turbo_mode.png", picture);

    TPerPixelLayeredWindowMaker& maker = LayeredMaker();
    maker.SetClickThrough(true);
    maker.SetPerPixelAlpha(true);
    maker.Update(Handle(), picture);
    SetClientSize(picture.Width(), picture.Height());
}

void TStatusForm::PlaceStatusWindow() {
    if (Handle() == nullptr)
        return;
    SetWindowPos(Handle(), nullptr, StatusWindowLeft(gui::Screen::Width(), ClientWidth()), kStatusWindowMargin, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
