#include "app/Flashosd.h"

void TFlashOsdForm::CreateParams(gui::CreateParams& params) {
    gui::Form::CreateParams(params);
    params.ClassName = "TFlashOsdForm";
    params.Caption = "FlashOsdForm";
    params.Style = WS_POPUP | WS_CLIPCHILDREN;
    params.Width = 277;
    params.Height = 206;
    // Topmost, no taskbar button, never activated.
    params.ExStyle = (params.ExStyle | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE) & ~WS_EX_APPWINDOW;
}
