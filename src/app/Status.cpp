#include "app/Status.h"

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
