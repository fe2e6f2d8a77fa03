#include "widget/Flicker.h"

#include <cassert>

FlickerEliminator::~FlickerEliminator() { Detach(); }

bool FlickerEliminator::Attach(gui::Form* control) {
    assert(m_control == NULL);
    if (m_control != nullptr || control == nullptr)
        return false;
    m_control = control;
    savedWindowProc_ = control->WindowProc;
    control->WindowProc = gui::WndMethod::Of<FlickerEliminator, &FlickerEliminator::WindowProc>(this);
    return true;
}

gui::Form* FlickerEliminator::Detach() {
    gui::Form* control = m_control;
    if (control == nullptr)
        return nullptr;
    control->WindowProc = savedWindowProc_;
    savedWindowProc_ = gui::WndMethod();
    m_control = nullptr;
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
