#include "widget/Flicker.h"

#include <cassert>

FlickerEliminator::~FlickerEliminator() { Detach(); }

bool FlickerEliminator::Attach(gui::Form* control) {
    assert(control_ == NULL);
    if (control_ != nullptr || control == nullptr)
        return false;
    control_ = control;
    savedWindowProc_ = control->WindowProc;
    control->WindowProc = gui::WndMethod::Of<FlickerEliminator, &FlickerEliminator::WindowProc>(this);
    return true;
}

gui::Form* FlickerEliminator::Detach() {
    gui::Form* control = control_;
    if (control == nullptr)
        return nullptr;
    control->WindowProc = savedWindowProc_;
    savedWindowProc_ = gui::WndMethod();
    control_ = nullptr;
    return control;
}

void FlickerEliminator::WindowProc(gui::Message& message) {
    if (message.Msg == WM_ERASEBKGND) {
        // The background counts as erased; the paint that follows covers it.
        message.Result = 1;
        return;
    }
    savedWindowProc_(message);
}
