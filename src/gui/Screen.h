// The primary screen's size, read afresh on each call so display changes
// are seen at once.
#pragma once

namespace gui {

struct Screen {
    static int Width();
    static int Height();
};

} // namespace gui
