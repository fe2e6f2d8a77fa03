// An image control: a bitmap drawn by its parent form at a place in the
// form's client area, stretched to that place or drawn at its own size.
// It has no window of its own.
#pragma once
#include <windows.h>

#include "gui/Bitmap.h"

namespace gui {

class Form;

class Image {
public:
    explicit Image(Form& parent);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Whoever may change the picture gets it here: the stretched copy is
    // made again at the next paint.
    Bitmap& Picture() {
        stretchedValid_ = false;
        return picture_;
    }
    const Bitmap& Picture() const { return picture_; }

    void SetBounds(int left, int top, int width, int height);
    RECT Bounds() const { return bounds_; }
    void SetStretch(bool stretch);
    bool Stretch() const { return stretch_; }

    // Asks the parent to repaint the control's area.
    void Invalidate();
    // Draws the picture into the parent's device context.
    void Paint(HDC dc) const;

private:
    Form& parent_;
    Bitmap picture_;
    RECT bounds_{0, 0, 0, 0};
    bool stretch_ = false;
    // The picture stretched to the control's size, made once per size and
    // picture: a repaint is then a plain copy.
    mutable Bitmap stretched_;
    mutable bool stretchedValid_ = false;
};

} // namespace gui
