// One player: a layered, click-through popup owned by the program's window,
// playing one movie. All its state lives on the thread that created it;
// requests from other threads are handed over with SendMessage.
#pragma once

#include <future>
#include <memory>
#include <string>

#include <windows.h>

#include "Canvas.h"
#include "DibSurface.h"
#include "MovieTimeline.h"
#include "SceneFile.h"
#include "SceneRenderer.h"
#include "flashobj.h"

namespace flashobj {

class MoviePlayer {
public:
    // Creates the player and its (hidden) window; nullptr when the window
    // cannot be created. speed > 0 divides every duration of the movie.
    static HWND Create(HWND parent, const WCHAR* moviePath, double speed);
    // True while hwnd is the window of a live player.
    static bool IsPlayerWindow(HWND hwnd);

    // The entry points' hand-over: run on the window's thread.
    static DWORD SetCallback(HWND hwnd, FlashCallFunc callback);
    static DWORD Request(HWND hwnd, const WCHAR* request);
    static DWORD Play(HWND hwnd);
    static DWORD Stop(HWND hwnd);
    static DWORD GetFrame(HWND hwnd, DWORD* pixels, DWORD capacity, DWORD* width, DWORD* height);
    static DWORD GetStats(HWND hwnd, FlashPlayerStats* stats);

    MoviePlayer(const Scene& scene, const std::string& movieName, double speed);
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    DWORD OnRequest(const WCHAR* request);
    void OnTick();
    void OnWindowPosChanged(const WINDOWPOS& pos);
    // The window's size when it is one a frame can be drawn for (1 to 8192
    // pixels each way); false otherwise.
    bool DrawableSize(int& w, int& h) const;
    void Present(bool force);
    RenderInputs InputsAt(double now) const;
    // While the window is hidden, draws the movie's layers for what the
    // requests have set on a thread of their own, so that the program's
    // pause after its request covers it and the first frame is ready when
    // the window is shown. Layers the window is not shown for soon are let
    // go again.
    void PrepareAhead();
    void WaitPrepared();
    // Off the screen: the frame and the layers are freed.
    void ReleaseSurfaces();
    void UpdateTimer();
    double MovieNow() const;

    HWND hwnd_ = nullptr;
    Scene scene_;
    std::string movieName_;
    MovieTimeline timeline_;
    SceneRenderer renderer_;
    FlashCallFunc callback_ = nullptr;

    std::string label_; // system code page, as drawn
    std::string content_;

    bool paused_ = false;
    double clockOffset_ = 0; // movie time = real time - offset while playing
    double frozenAt_ = 0;    // movie time while stopped
    UINT timerMs_ = 0;       // the frame timer's delay, 0 while it is off
    bool dirty_ = true;
    bool presenting_ = false;

    // The frame last handed to the window (what flashtest_getFrame reads),
    // and what it was drawn from: a tick that would draw the same frame
    // again is skipped.
    Canvas frame_;
    bool framePresented_ = false;
    bool onScreen_ = false;
    std::future<void> prepared_; // the renderer belongs to this job while it runs
    RenderInputs lastInputs_;
    RECT lastDrawn_{0, 0, 0, 0};  // where the frame on the window may not be clear
    RECT frameDrawn_{0, 0, 0, 0}; // where frame_ may not be clear
    // The window's own copy holds no drawn pixel (its last frame drew nothing),
    // which a layered window keeps while hidden: showing it again then needs
    // only the drawn part of the new frame handed over.
    bool windowClear_ = false;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
    FlashPlayerStats stats_{};
};

// FLASHOBJ_SPEED as a factor (1 when unset or not a sensible number).
double SpeedFromEnvironment();

} // namespace flashobj
