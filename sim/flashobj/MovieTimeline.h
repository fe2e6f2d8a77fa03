// The movie's time line: which part is playing (intro, shown, outro), the
// level and digit change animations, the texts, and the call-back points.
// Pure logic on a millisecond clock supplied by the caller, so it can be
// tested without windows or timers.
#pragma once

#include <string>

#include "InvokeRequest.h"

namespace flashobj {

enum class Entry { Hidden, Intro, Shown, Outro, Ended };

enum class TimelineEvent { None = 0, IntroPlayed = 1, OutroFinished = 2 };

struct TimelineConfig {
    double introMs = 200;
    double outroMs = 200;
    double changeMs = 0;
    bool callbackIntro = false;
    bool callbackOutro = true;
};

struct TimelineStep {
    TimelineEvent event = TimelineEvent::None; // a call-back point reached
    int number = 0;                            // the number of the command that started the part
};

class MovieTimeline {
public:
    explicit MovieTimeline(const TimelineConfig& config);

    // Applies a parsed command at time now. Never reports an event itself:
    // parts end only in Advance, so call-backs never run inside a request.
    void Apply(const Command& command, double now);

    // Ends the part whose time is up. At most one event per call.
    TimelineStep Advance(double now);

    // True while something moves or a part waits to end (the timer must run).
    bool NeedsTicks(double now) const;
    // Milliseconds from now to the next moment at which Advance ends a part
    // or a level or digit change comes to rest (0 when one is already due);
    // negative when nothing moves.
    double MsUntilDue(double now) const;

    Entry entry() const { return entry_; }
    // Part progress 0..1 of the intro or outro (1 when none is playing).
    double PartProgress(double now) const;
    // How much of the movie is shown: 0 hidden .. 1 fully in.
    double Visibility(double now) const;

    int level() const { return level_; }
    int previousLevel() const { return previousLevel_; }
    double LevelProgress(double now) const; // 0..1 of the level change
    int value() const { return value_; }
    int previousValue() const { return previousValue_; }
    double ValueProgress(double now) const;

    const std::wstring& label() const { return label_; }
    const std::wstring& content() const { return content_; }

private:
    void StartIntro(double now, int number);
    void StartOutro(double now, int number);
    void ChangeLevel(int level, bool onScreen, double now);
    static double Progress(double start, double length, double now);

    TimelineConfig config_;
    Entry entry_ = Entry::Hidden;
    double partStart_ = 0;
    double partFrom_ = 0; // visibility when the part started
    int partNumber_ = 0;

    int level_ = -1;
    int previousLevel_ = -1;
    double levelStart_ = -1e12;
    int value_ = 0;
    int previousValue_ = 0;
    double valueStart_ = -1e12;

    std::wstring label_;
    std::wstring content_;
};

// The delay, in whole ms, to arm the frame timer with for the next tick,
// given MsUntilDue: the frame period, or less so that a tick falls on the due
// moment rather than up to a period after it. The system stretches timers
// shorter than minimumMs, so the last ticks before a due moment are spaced
// minimumMs to frameMs apart to land on it. 0 when nothing is due (no timer).
unsigned TickDelayMs(double untilDueMs, unsigned frameMs, unsigned minimumMs);

double EaseOutCubic(double t);
double EaseInCubic(double t);

} // namespace flashobj
