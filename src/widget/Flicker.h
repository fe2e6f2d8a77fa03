// Stops a form from erasing its background before each repaint, for a form
// whose client area is fully covered by a picture or by player windows: the
// background colour would otherwise flash on every repaint.
#pragma once
#include "gui/Form.h"

class FlickerEliminator {
public:
    FlickerEliminator() = default;
    // Puts the form's own window procedure back.
    ~FlickerEliminator();
    FlickerEliminator(const FlickerEliminator&) = delete;
    FlickerEliminator& operator=(const FlickerEliminator&) = delete;

    // Hooks the form's window procedure. Attaching an attached eliminator is
    // a caller error: it is asserted, and refused (false) where assertions
    // are compiled out, since hooking twice would make the hook call itself.
    bool Attach(gui::Form* control);
    // Restores the saved window procedure and returns the form, or null when
    // nothing was attached.
    gui::Form* Detach();

    gui::Form* Control() const { return control_; }

private:
    void WindowProc(gui::Message& message);

    gui::Form* control_ = nullptr;
    gui::WndMethod savedWindowProc_;
};
