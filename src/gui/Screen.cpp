#include "gui/Screen.h"

#include <windows.h>

namespace gui {

int Screen::Width() { return GetSystemMetrics(SM_CXSCREEN); }
int Screen::Height() { return GetSystemMetrics(SM_CYSCREEN); }

} // namespace gui
