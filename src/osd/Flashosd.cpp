#include "osd/Flashosd.h"

#include <float.h>

#include "osd/FlashOsdManipulator.h"
#include "settings/ProgramFolders.h"
#include "osd/PngReader.h"
#include "gui/Screen.h"

TFlashOsdForm* FlashOsdForm = nullptr;
LONG OsdPhase = PhaseOf(MovieKind::RaveloProfileOn);
OsdNotify MovieFinishedHandler;

namespace {

const MovieInfo kMovies[kMovieKindCount] = {
    {"RaveloProfileOn", "RaveloProfileOn.swf", 400, 650},
    {"RaveloProfileOff", "RaveloProfileOff.swf", 400, 650},
    {"KelvoAuto", "KelvoAuto.swf", 400, 650},
    {"KelvoManual", "KelvoManual.swf", 750, 650},
    {"OCTuning", "OCTuning.swf", 550, 400},
    {"Warning", "Warning.swf", 400, 650},
};

// Posted by the form to itself when there is no player to answer a command
// that a movie would have answered with a call-back.
constexpr UINT kNoPlayerAnswer = WM_APP + 0x0A1;

// Sets the x87 unit to a 64-bit mantissa for the length of a scope, so the
// placement comes out the same on whichever thread it runs (new threads
// may start with a 53-bit mantissa).
class X87ExtendedPrecision {
public:
    X87ExtendedPrecision() {
#if defined(_M_IX86) || defined(__i386__)
        unsigned int unused = 0;
        _controlfp_s(&saved_, 0, 0);
        _controlfp_s(&unused, _PC_64, _MCW_PC);
#endif
    }
    ~X87ExtendedPrecision() {
#if defined(_M_IX86) || defined(__i386__)
        unsigned int unused = 0;
        _controlfp_s(&unused, saved_ & _MCW_PC, _MCW_PC);
#endif
    }
    X87ExtendedPrecision(const X87ExtendedPrecision&) = delete;
    X87ExtendedPrecision& operator=(const X87ExtendedPrecision&) = delete;

private:
    unsigned int saved_ = 0;
};

void WINAPI FlashCallThunk(DWORD a, DWORD b, DWORD c, DWORD d) {
    if (FlashOsdForm != nullptr)
        FlashOsdForm->OnFlashCall(a, b, c, d);
}

} // namespace

const MovieInfo& MovieOf(MovieKind kind) {
    const LONG index = static_cast<LONG>(kind);
    return kMovies[index >= 0 && index < kMovieKindCount ? index : 0];
}

MoviePlacement PlaceMovieOnScreen(int screenWidth, int screenHeight, int width, int height) {
    MoviePlacement place{};
    place.x = (screenWidth - width) / 2;
    if (screenHeight < height) {
        place.y = screenHeight / 7;
        return place;
    }
    // The vertical place is evaluated with a 64-bit mantissa (x87 extended
    // precision; long double is 80 bits on this target), not in double:
    // 0.67 as a double is a little above 0.67, and for a 400-pixel movie
    // the extended product 268.000000000000016 keeps that excess, so
    // 1080 - product stays below 812 and the result is 405. Rounded to
    // double the product would be exactly 268 and the result 406.
    X87ExtendedPrecision precision;
    const long double factor = static_cast<long double>(0.67); // the double nearest 0.67, widened exactly
    const long double product = factor * static_cast<long double>(height);
    const long double difference = static_cast<long double>(screenHeight) - product;
    place.y = static_cast<int>(difference * 0.5L); // truncates toward zero
    return place;
}

TFlashOsdForm::TFlashOsdForm() : Background(*this), Timer(kIdleTimerIntervalMs, false) {
    Background.SetBounds(0, 0, 161, 169);
    Background.SetStretch(true);
    Timer.OnTimer = [this] { OnTimer(); };
}

TFlashOsdForm::~TFlashOsdForm() {
    if (FlashOsdForm == this) {
        FlashOsdLayout::Instance().Detach();
        FlashOsdForm = nullptr;
    }
}

void TFlashOsdForm::CreateParams(gui::CreateParams& params) {
    gui::Form::CreateParams(params);
    params.ClassName = "TFlashOsdForm";
    params.Caption = "FlashOsdForm";
    params.Style = WS_POPUP | WS_CLIPCHILDREN;
    params.Width = 277;
    params.Height = 206;
    // Topmost, no taskbar button, never activated.
    params.ExStyle = (params.ExStyle | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE) & ~WS_EX_APPWINDOW;
}

void TFlashOsdForm::WndProc(gui::Message& message) {
    if (message.Msg == kNoPlayerAnswer) {
        OnFlashCall(0, 0, 0, 0);
        message.Result = 0;
        return;
    }
    if (message.Msg == WM_PAINT && static_cast<const gui::Image&>(Background).Picture().Empty()) {
        // Nothing erases the background (see FlickerEliminator): without a
        // picture the form is painted dark, as the smoke would be.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        PaintControls(dc);
        EndPaint(Handle(), &ps);
        message.Result = 0;
        return;
    }
    gui::Form::WndProc(message);
}

int TFlashOsdForm::FindSlot(const char* name) const {
    if (name == nullptr)
        return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        if (items_[i].used && items_[i].name == name)
            return i;
    }
    return -1;
}

int TFlashOsdForm::AllocateSlot(const char* name) {
    if (name == nullptr || FindSlot(name) != -1)
        return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        if (!items_[i].used) {
            items_[i].name = name;
            items_[i].used = true;
            return i;
        }
    }
    return -1;
}

bool TFlashOsdForm::AddMovie(const char* name, const char* fileName, int width, int height) {
    const MoviePlacement place = PlaceMovieOnScreen(gui::Screen::Width(), gui::Screen::Height(), width, height);
    const int index = AllocateSlot(name);
    if (index < 0)
        return false;
    FlashItem& item = items_[index];
    // The movie path is spelt folder + "//Resource//" + file, and the player
    // is handed exactly that text: the file system reads each run of
    // slashes after the folder's backslash as one separator.
    item.path = CommandToWide(ModuleFolder() + "//Resource//" + (fileName != nullptr ? fileName : ""));
    TTransFlash& player = TTransFlash::Create(Handle(), item.path);
    item.player = &player;
    player.SetBounds(place.x, place.y, width, height);
    player.SetVisible(false);
    player.SetCallback(&FlashCallThunk);
    return true;
}

void TFlashOsdForm::PlaceMovie(const char* name, int width, int height) {
    const MoviePlacement place = PlaceMovieOnScreen(gui::Screen::Width(), gui::Screen::Height(), width, height);
    const int index = FindSlot(name);
    if (index < 0 || items_[index].player == nullptr)
        return;
    items_[index].player->SetOffset(place.x, place.y);
}

void TFlashOsdForm::SelectMovie(MovieKind kind) {
    const LONG index = static_cast<LONG>(kind);
    if (index < 0 || index >= kSlotCount)
        return;
    // A warning may replace a display without the display being hidden
    // first; the movie it replaces must not stay on screen under it, nor
    // come back with every later ShowAll.
    TTransFlash* const next = items_[index].player;
    if (current_ != nullptr && current_ != next)
        current_->SetVisible(false);
    OsdPhase = index;
    currentKind_ = index;
    current_ = next;
}

void TFlashOsdForm::ShowCurrent() {
    TTransFlash::ShowAll();
    if (current_ != nullptr)
        current_->SetVisible(true);
}

void TFlashOsdForm::HideCurrent() {
    TTransFlash::HideAll();
    if (current_ != nullptr)
        current_->SetVisible(false);
}

bool TFlashOsdForm::MovieCallsBack(LONG kind, Command command) {
    // The movie table: profile movies after "show" and "end", Kelvo auto
    // and warning after "end", Kelvo manual after "End N", tuning after
    // "in" and "out".
    const bool profile = kind == PhaseOf(MovieKind::RaveloProfileOn) || kind == PhaseOf(MovieKind::RaveloProfileOff);
    switch (command) {
    case Command::Show:
        return profile;
    case Command::End:
        return profile || kind == PhaseOf(MovieKind::KelvoAuto) || kind == PhaseOf(MovieKind::Warning);
    case Command::EndNumber:
        return kind == PhaseOf(MovieKind::KelvoManual);
    case Command::In:
    case Command::Out:
        return kind == PhaseOf(MovieKind::OCTuning);
    default:
        return false;
    }
}

void TFlashOsdForm::Send(Command command, const std::string& text) {
    if (current_ == nullptr)
        return;
    if (current_->HasPlayer()) {
        current_->Call(CommandToWide(text));
        return;
    }
    // No player: answer for the movie, later, as its call-back would come.
    if (MovieCallsBack(currentKind_, command))
        PostMessageA(Handle(), kNoPlayerAnswer, 0, 0);
}

void TFlashOsdForm::SendLabel(const std::string& command) {
    Send(Command::Label, command);
    Sleep(kCommandPauseMs);
}

void TFlashOsdForm::SendContent(const std::string& command) {
    Send(Command::Content, command);
    Sleep(kCommandPauseMs);
}

void TFlashOsdForm::SendShow() {
    Send(Command::Show, kFlashShow);
    ShowCurrent();
}

void TFlashOsdForm::SendEnd() { Send(Command::End, kFlashEnd); }

void TFlashOsdForm::SendShowNumber(LONG n) {
    Send(Command::ShowNumber, FormatNumberCommand(kFlashShowNumber, n));
    Sleep(kCommandPauseMs);
    ShowCurrent();
}

void TFlashOsdForm::SendPlayNumber(LONG n) { Send(Command::PlayNumber, FormatNumberCommand(kFlashPlayNumber, n)); }

void TFlashOsdForm::SendEndNumber(LONG n) { Send(Command::EndNumber, FormatNumberCommand(kFlashEndNumber, n)); }

void TFlashOsdForm::SendIn() {
    Send(Command::In, kFlashIn);
    ShowCurrent();
}

void TFlashOsdForm::SendDigits(LONG n) {
    Send(Command::Digits, FormatNumberCommand(kFlashSet2Digit, n));
    Sleep(kCommandPauseMs);
}

void TFlashOsdForm::SendOut() {
    OsdPhase = TuningOut;
    Send(Command::Out, kFlashOut);
}

void TFlashOsdForm::SetFinishedHandler(OsdNotify handler) { MovieFinishedHandler = handler; }

void TFlashOsdForm::OnTimer() {
    Timer.SetEnabled(false);
    ReportOsdTimer();
}

void TFlashOsdForm::OnFlashCall(DWORD, DWORD, DWORD, DWORD) {
    switch (OsdPhase) {
    case PhaseOf(MovieKind::RaveloProfileOn):
        FlashClass0Manipulator::Instance().IntroFinished(MovieKind::RaveloProfileOn);
        OsdPhase = ProfileOnHold;
        break;
    case PhaseOf(MovieKind::RaveloProfileOff):
        FlashClass0Manipulator::Instance().IntroFinished(MovieKind::RaveloProfileOff);
        OsdPhase = ProfileOffHold;
        break;
    case PhaseOf(MovieKind::KelvoAuto):
    case PhaseOf(MovieKind::KelvoManual):
    case PhaseOf(MovieKind::Warning):
    case TuningOut:
    case ProfileOnHold:
    case ProfileOffHold:
        if (MovieFinishedHandler)
            MovieFinishedHandler(nullptr);
        break;
    case PhaseOf(MovieKind::OCTuning):
        FlashClass2Manipulator::Instance().StartIdleTimer();
        break;
    default:
        break;
    }
}

void FlashOsdLayout::Initialize() {
    WithForm([&](TFlashOsdForm& form) {
        window_ = form.Handle();
        if (flicker_.Control() == nullptr)
            flicker_.Attach(&form);
        layered_.SetAlphaEnabled(true);
        layered_.SetClickThrough(false);
        // The smoke behind every display; a missing file raises the file-open
        // error before any movie is registered.
        LoadPngFile(ResourceFolder() + "bg_smoke01.png", background_);
        gui::Bitmap& shown = form.Background.Picture();
        shown.SetPixelFormat(gui::PixelFormat::pf32bit);
        shown.Assign(background_);
        FitToScreen();
        for (int kind = 0; kind < kMovieKindCount; ++kind) {
            const MovieInfo& movie = kMovies[kind];
            form.AddMovie(movie.name, movie.fileName, movie.width, movie.height);
        }
        form.Hide();
    });
}

void FlashOsdLayout::FitToScreen() {
    WithForm([&](TFlashOsdForm& form) {
        const int width = gui::Screen::Width();
        const int height = gui::Screen::Height();
        RECT rect{};
        GetWindowRect(form.Handle(), &rect);
        if (rect.right - rect.left == width && rect.bottom - rect.top == height)
            return;
        form.Background.SetBounds(0, 0, width, height);
        form.SetBounds(0, 0, width, height);
        form.Invalidate();
    });
}

void FlashOsdLayout::PlaceMovie(MovieKind kind) {
    WithForm([&](TFlashOsdForm& form) {
        const MovieInfo& movie = MovieOf(kind);
        form.PlaceMovie(movie.name, movie.width, movie.height);
    });
}

void FlashOsdLayout::SetAlpha(BYTE alpha) {
    layered_.SetAlpha(alpha);
    layered_.SetAlphaEnabled(true);
    const HWND window = window_;
    if (window != nullptr)
        layered_.Apply(window);
}

void FlashOsdLayout::ShowCaption(MovieKind kind, const char* label) {
    WithForm([&](TFlashOsdForm& form) {
        const std::string command = FormatTextCommand(kFlashChangeLabel, label, kLabelCommandSize);
        form.SelectMovie(kind);
        form.SendLabel(command);
        form.SendShow();
        form.Show();
    });
}

void FlashOsdLayout::ShowProfileOn(const char* label) { ShowCaption(MovieKind::RaveloProfileOn, label); }

void FlashOsdLayout::ShowProfileOff(const char* label) { ShowCaption(MovieKind::RaveloProfileOff, label); }

void FlashOsdLayout::ShowKelvoAuto(const char* label) { ShowCaption(MovieKind::KelvoAuto, label); }

void FlashOsdLayout::ShowWarning(const char* title, const char* message) {
    WithForm([&](TFlashOsdForm& form) {
        const std::string label = FormatTextCommand(kFlashChangeLabel, title, kWarningCommandSize);
        const std::string content = FormatTextCommand(kFlashChangeContent, message, kWarningCommandSize);
        form.SelectMovie(MovieKind::Warning);
        form.SendLabel(label);
        form.SendContent(content);
        form.SendShow();
        form.Show();
    });
}

void FlashOsdLayout::EndMovie() {
    WithForm([&](TFlashOsdForm& form) { form.SendEnd(); });
}

void FlashOsdLayout::ShowLevel(LONG level) {
    WithForm([&](TFlashOsdForm& form) {
        form.SelectMovie(MovieKind::KelvoManual);
        form.SendShowNumber(level);
        form.Show();
    });
}

void FlashOsdLayout::PlayLevel(LONG level) {
    WithForm([&](TFlashOsdForm& form) { form.SendPlayNumber(level); });
}

void FlashOsdLayout::EndLevel(LONG level) {
    WithForm([&](TFlashOsdForm& form) { form.SendEndNumber(level); });
}

void FlashOsdLayout::PresetDigits(LONG value) {
    WithForm([&](TFlashOsdForm& form) {
        form.SelectMovie(MovieKind::OCTuning);
        form.SendDigits(value);
    });
}

void FlashOsdLayout::ShowDigits(LONG value) {
    WithForm([&](TFlashOsdForm& form) {
        form.SelectMovie(MovieKind::OCTuning);
        form.SendDigits(value);
        form.SendIn();
        form.Show();
    });
}

void FlashOsdLayout::SetDigits(LONG value) {
    WithForm([&](TFlashOsdForm& form) { form.SendDigits(value); });
}

void FlashOsdLayout::SendOut() {
    WithForm([&](TFlashOsdForm& form) { form.SendOut(); });
}

void FlashOsdLayout::SetIdleTimer(bool on) {
    WithForm([&](TFlashOsdForm& form) {
        if (on) {
            form.Timer.SetInterval(kIdleTimerIntervalMs);
            form.Timer.SetEnabled(true);
        } else {
            form.Timer.SetEnabled(false);
        }
    });
}

void FlashOsdLayout::SetFinishedHandler(OsdNotify handler) {
    WithForm([&](TFlashOsdForm& form) { form.SetFinishedHandler(handler); });
}

void FlashOsdLayout::Detach() { window_ = nullptr; }

void FlashOsdLayout::Hide() {
    WithForm([&](TFlashOsdForm& form) {
        form.HideCurrent();
        form.Hide();
    });
}
