// The part every stand-in of a sibling program shares: the window class
// "TMainForm" and its window procedure, the log line of a suite message,
// and the run of the program (--quit, one copy per machine, the
// installation marker, the message loop).
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "SimLog.h"

namespace sibling {

// The class name the remote program looks for.
extern const char kWindowClass[];

// What one window does with its messages. CreateSimWindow hands the
// handler to the window; the handler must outlive it.
class WindowHandler {
public:
    virtual LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~WindowHandler() = default;
};

// Registers kWindowClass for this process; false when that fails.
bool RegisterWindowClass(HINSTANCE instance);

// A window of kWindowClass whose messages go to handler.
HWND CreateSimWindow(HINSTANCE instance, DWORD exStyle, const char* caption, DWORD style, int x, int y, int width,
                     int height, WindowHandler* handler);

// A visible status window: overlapped with caption, system menu and
// minimise box, the given client size, shown without taking the focus, and
// re-read from the firmware every second (WM_TIMER with kRefreshTimer).
constexpr UINT_PTR kRefreshTimer = 1;
HWND CreatePanelWindow(HINSTANCE instance, const char* caption, int x, int y, int clientWidth, int clientHeight,
                       WindowHandler* handler);

// Messages of the suite's range (WM_USER to 0x7FFF); everything else is
// the window system's.
inline bool IsSuiteMessage(UINT message) { return message >= WM_USER && message <= 0x7FFF; }

// Logs a suite message and what the stand-in did with it:
// "msg=<n> wParam=0x<hex> lParam=<n> sent|posted: <did>".
void LogSuiteMessage(const SimLog& log, const std::string& source, UINT message, WPARAM wParam, LPARAM lParam,
                     const std::string& did);

// The stand-in's windows, made once this copy is the only one.
class SimApp {
public:
    virtual ~SimApp() = default;
    virtual bool Create(HINSTANCE instance) = 0;
};

struct SimProgram {
    const char* name;          // log source and single-copy name, e.g. "KelvoEngineSim"
    const char* logVariable;   // environment variable naming the log file
    const char* logFile;       // the log beside the executable otherwise
    const char* mainCaption;   // the main window's caption, which "--quit" closes
    const char* markerProduct; // the installation marker's key
};

// Runs a stand-in: "--quit" closes the running copy (0; 1 when none runs), a
// second copy on the same machine exits with 1, the marker is written
// unless "--no-marker", makeApp's windows are created (2 when they cannot
// be) and the messages are pumped until the windows quit (0). A
// siblings::kFreezeMessage stops the pump for the time it asks.
int RunSimProgram(const SimProgram& program, HINSTANCE instance, const char* commandLine,
                  std::unique_ptr<SimApp> (*makeApp)(const SimLog& log, DWORD scope, const char* commandLine));

} // namespace sibling
