// The on-screen display window: a borderless, topmost, non-activating form
// that covers the screen behind one movie player. It keeps the table of
// named movies, knows which one is current, turns display requests into
// movie commands and dispatches the movies' call-backs by the OSD phase.
// FlashOsdLayout sits between the display drivers and the form.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "osd/TransFlash.h"
#include "gui/Bitmap.h"
#include "gui/Form.h"
#include "gui/Image.h"
#include "gui/Timer.h"
#include "osd/OsdEvents.h"
#include "widget/Flicker.h"
#include "widget/LayeredWindow.h"
#include "win32/ProcessWide.h"

// The movies, in registration order: the kind is also the table index and
// the phase while that movie is current.
enum class MovieKind : LONG {
    RaveloProfileOn = 0,
    RaveloProfileOff = 1,
    KelvoAuto = 2,
    KelvoManual = 3,
    OCTuning = 4,
    Warning = 5,
};
constexpr int kMovieKindCount = 6;

// The phases beyond the movie kinds: the next call-back ends a display.
constexpr LONG TuningOut = 6;
constexpr LONG ProfileOnHold = 7;
constexpr LONG ProfileOffHold = 8;

constexpr LONG PhaseOf(MovieKind kind) { return static_cast<LONG>(kind); }

// Which movie is current and, for the profile and tuning movies, which
// call-back comes next. Changed on the GUI thread only.
extern LONG OsdPhase;

// What a movie call-back in an ending phase runs. Set by the end steps of
// the display scripts and never emptied again.
extern OsdNotify MovieFinishedHandler;

struct MovieInfo {
    const char* name;
    const char* fileName;
    int width;
    int height;
};
// The row of the movie table for a kind.
const MovieInfo& MovieOf(MovieKind kind);

struct MoviePlacement {
    int x;
    int y;
};
// Where a movie of the given size goes on a screen of the given size,
// relative to the top-left corner of the screen.
MoviePlacement PlaceMovieOnScreen(int screenWidth, int screenHeight, int width, int height);

// Pause after the commands the movies need time to take in.
constexpr DWORD kCommandPauseMs = 100;
constexpr UINT kIdleTimerIntervalMs = 3000;

class TFlashOsdForm : public gui::Form {
public:
    static constexpr int kSlotCount = 16;

    struct FlashItem {
        std::wstring path;
        std::string name;
        bool used = false;
        TTransFlash* player = nullptr; // owned by the player list
    };

    TFlashOsdForm();
    // Clears FlashOsdForm and the layout's window first, so nothing reaches
    // the form while it goes (a fade still running, a late call-back).
    ~TFlashOsdForm() override;

    gui::Image Background;
    // The idle timer of the level and tuning displays: fires once per arming.
    gui::Timer Timer;

    // Registers a movie and creates its player, hidden, centred for the
    // current screen. Returns false when the name is taken or the table full.
    bool AddMovie(const char* name, const char* fileName, int width, int height);
    // Re-centres a registered movie for the current screen.
    void PlaceMovie(const char* name, int width, int height);
    void SelectMovie(MovieKind kind);
    void ShowCurrent();
    void HideCurrent();

    void SendLabel(const std::string& command);
    void SendContent(const std::string& command);
    void SendShow();
    void SendEnd();
    void SendShowNumber(LONG n);
    void SendPlayNumber(LONG n);
    void SendEndNumber(LONG n);
    void SendIn();
    void SendDigits(LONG n);
    void SendOut();

    int AllocateSlot(const char* name);
    int FindSlot(const char* name) const;
    void SetFinishedHandler(OsdNotify handler);

    void OnTimer();
    // The one call-back of every player; its arguments are not read.
    void OnFlashCall(DWORD, DWORD, DWORD, DWORD);

    TTransFlash* Current() const { return current_; }
    const FlashItem& Item(int index) const { return items_[index]; }

protected:
    void CreateParams(gui::CreateParams& params) override;
    void WndProc(gui::Message& message) override;

private:
    enum class Command { Label, Content, Show, End, ShowNumber, PlayNumber, EndNumber, In, Digits, Out };

    // Whether a movie of that kind calls back after the command.
    static bool MovieCallsBack(LONG kind, Command command);
    void Send(Command command, const std::string& text);

    TTransFlash* current_ = nullptr;
    LONG currentKind_ = -1;
    FlashItem items_[kSlotCount];
};

// The OSD window, created at start-up after the main window and kept for the
// life of the process; null before and after.
extern TFlashOsdForm* FlashOsdForm;

// The layout of the display: owns the background picture, the form's
// layered-window maker and its flicker eliminator, registers the movies and
// offers one operation per kind of display. Everything runs on the GUI
// thread except SetAlpha, which the fade thread calls too.
class FlashOsdLayout : public win32::ProcessWide<FlashOsdLayout> {
    friend class win32::ProcessWide<FlashOsdLayout>;

public:
    void Initialize();
    void FitToScreen();
    void PlaceMovie(MovieKind kind);
    void SetAlpha(BYTE alpha);

    void ShowProfileOn(const char* label);
    void ShowProfileOff(const char* label);
    void ShowKelvoAuto(const char* label);
    void ShowWarning(const char* title, const char* message);
    void EndMovie();
    void ShowLevel(LONG level);
    void PlayLevel(LONG level);
    void EndLevel(LONG level);
    void PresetDigits(LONG value);
    void ShowDigits(LONG value);
    void SetDigits(LONG value);
    void SendOut();
    void SetIdleTimer(bool on);
    void SetFinishedHandler(OsdNotify handler);
    void Hide();
    // Forgets the OSD window before the form goes: a fade still running
    // then applies its steps to nothing.
    void Detach();

    gui::Bitmap& Background() { return background_; }
    LayeredWindowMaker& Layered() { return layered_; }
    FlickerEliminator& Flicker() { return flicker_; }

private:
    FlashOsdLayout() = default;
    void ShowCaption(MovieKind kind, const char* label);
    // The one way the layout reaches the OSD window: nothing happens before
    // the form is created or after it has gone.
    template <class Operation>
    void WithForm(Operation operation) {
        if (FlashOsdForm != nullptr)
            operation(*FlashOsdForm);
    }

    gui::Bitmap background_;
    LayeredWindowMaker layered_;
    FlickerEliminator flicker_;
    // The OSD window as the fade thread sees it: a handle, never the form,
    // so a form destroyed under a running fade is not touched.
    std::atomic<HWND> window_{nullptr};
};
