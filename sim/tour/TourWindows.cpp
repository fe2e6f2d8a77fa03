// Window helper of the demo tour (scripts/demo.sh): tells whether a
// top-level window is on screen and moves one out of the way, so the
// tour can wait for a display to go and lay the suite's windows out
// side by side for a person to click.
//
//   TourWindows.exe visible <class|-> <caption|->   exit 0 shown, 1 hidden, 2 none
//   TourWindows.exe move <class|-> <caption|-> <x> <y>   exit 0 moved, 2 none
//   bad command line: exit 3
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kShown = 0;
constexpr int kHidden = 1;
constexpr int kNoWindow = 2;
constexpr int kUsage = 3;

// "-" leaves the class or the caption out of the search.
const char* OrNull(const char* text) { return std::strcmp(text, "-") == 0 ? nullptr : text; }

bool ParseCoordinate(const char* text, int& value) {
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < -100000 || parsed > 100000)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

int Usage() {
    std::fputs("usage: TourWindows visible <class|-> <caption|->\n"
               "       TourWindows move <class|-> <caption|-> <x> <y>\n",
               stderr);
    return kUsage;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return Usage();
    const char* command = argv[1];
    const char* className = OrNull(argv[2]);
    const char* caption = OrNull(argv[3]);
    if (className == nullptr && caption == nullptr)
        return Usage();

    if (std::strcmp(command, "visible") == 0 && argc == 4) {
        const HWND window = FindWindowA(className, caption);
        if (window == nullptr)
            return kNoWindow;
        return IsWindowVisible(window) ? kShown : kHidden;
    }
    if (std::strcmp(command, "move") == 0 && argc == 6) {
        int x = 0;
        int y = 0;
        if (!ParseCoordinate(argv[4], x) || !ParseCoordinate(argv[5], y))
            return Usage();
        const HWND window = FindWindowA(className, caption);
        if (window == nullptr)
            return kNoWindow;
        return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? kShown
                                                                                                     : kNoWindow;
    }
    return Usage();
}
