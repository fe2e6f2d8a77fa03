// Base class of the program's windows. The C++ object is attached to its
// window at WM_NCCREATE and detached at WM_NCDESTROY; every message goes
// through the replaceable WindowProc, which starts out as the virtual
// WndProc (the form's message map).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gui/BoundCall.h"

namespace gui {

class Image;

// One window message on its way through a form; handlers set Result.
struct Message {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using WndMethod = BoundCall<Message&>;

// Everything CreateWindowExA needs. A form fills in its defaults, then its
// CreateParams override adjusts them.
struct CreateParams {
    std::string ClassName;
    std::string Caption;
    DWORD Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 320;
    int Height = 240;
    HWND Parent = nullptr; // owner of a top-level form; the application window by default
    UINT ClassStyle = CS_DBLCLKS;
    HBRUSH Background = nullptr; // class brush; button face when empty
};

class Form {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Builds the window from CreateParams. Called by the application object
    // right after construction, then OnCreate runs.
    void CreateHandle();
    HWND Handle() const { return handle_; }

    bool Visible() const;
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // Closing the main form ends the application's message loop; any other
    // form is only hidden.
    void Close();

    void SetBounds(int x, int y, int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientSize(int width, int height);
    void Invalidate();

    // The replaceable window procedure. A hook saves the current value,
    // installs its own, and calls the saved one for what it does not handle.
    WndMethod WindowProc;

    // Passes a message to the system's default window procedure.
    void DefaultHandler(Message& message);

    // Graphic controls painted by this form (see Image).
    void AddControl(Image* image);
    void RemoveControl(Image* image);

protected:
    // Window-creation parameters: the framework defaults are filled in
    // before this is called; overrides call the base first.
    virtual void CreateParams(gui::CreateParams& params);
    // The message map. The default paints the graphic controls, turns
    // WM_CLOSE into Close and passes everything else to DefaultHandler.
    virtual void WndProc(Message& message);
    // Runs once the window exists.
    virtual void OnCreate() {}

    void PaintControls(HDC dc);

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void CallWndProc(Message& message) { WndProc(message); }
    static void RegisterClassOnce(const gui::CreateParams& params);

    HWND handle_ = nullptr;
    std::vector<Image*> controls_;
};

} // namespace gui
