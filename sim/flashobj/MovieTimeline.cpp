#include "MovieTimeline.h"

#include <algorithm>
#include <cmath>

namespace flashobj {

double EaseOutCubic(double t) {
    if (t <= 0)
        return 0;
    if (t >= 1)
        return 1;
    const double u = 1 - t;
    return 1 - u * u * u;
}

double EaseInCubic(double t) {
    if (t <= 0)
        return 0;
    if (t >= 1)
        return 1;
    return t * t * t;
}

MovieTimeline::MovieTimeline(const TimelineConfig& config) : config_(config) {
    if (config_.introMs < 0)
        config_.introMs = 0;
    if (config_.outroMs < 0)
        config_.outroMs = 0;
    if (config_.changeMs < 0)
        config_.changeMs = 0;
}

double MovieTimeline::Progress(double start, double length, double now) {
    if (length <= 0)
        return now >= start ? 1.0 : 0.0;
    const double t = (now - start) / length;
    return t < 0 ? 0 : (t > 1 ? 1 : t);
}

void MovieTimeline::StartIntro(double now, int number) {
    partFrom_ = Visibility(now);
    entry_ = Entry::Intro;
    partStart_ = now;
    partNumber_ = number;
}

void MovieTimeline::StartOutro(double now, int number) {
    partFrom_ = Visibility(now);
    entry_ = Entry::Outro;
    partStart_ = now;
    partNumber_ = number;
}

void MovieTimeline::Apply(const Command& command, double now) {
    // Changes of level and digits animate only where they can be seen.
    const bool onScreen = Visibility(now) > 0 || entry_ == Entry::Intro;
    switch (command.type) {
    case CommandType::ChangeLabel:
        label_ = command.text;
        break;
    case CommandType::ChangeContent:
        content_ = command.text;
        break;
    case CommandType::Show:
        if (command.hasNumber) {
            level_ = previousLevel_ = command.number;
            levelStart_ = -1e12;
        }
        StartIntro(now, command.hasNumber ? command.number : 0);
        break;
    case CommandType::In:
        StartIntro(now, 0);
        break;
    case CommandType::Play:
        ChangeLevel(command.number, onScreen, now);
        break;
    case CommandType::End:
        if (command.hasNumber)
            ChangeLevel(command.number, onScreen, now);
        StartOutro(now, command.hasNumber ? command.number : 0);
        break;
    case CommandType::Out:
        StartOutro(now, 0);
        break;
    case CommandType::SetDigits:
        if (command.number != value_) {
            previousValue_ = onScreen ? value_ : command.number;
            value_ = command.number;
            valueStart_ = onScreen ? now : -1e12;
        }
        break;
    case CommandType::None:
        break;
    }
}

void MovieTimeline::ChangeLevel(int level, bool onScreen, double now) {
    if (level == level_)
        return;
    previousLevel_ = onScreen ? level_ : level;
    level_ = level;
    levelStart_ = onScreen ? now : -1e12;
}

TimelineStep MovieTimeline::Advance(double now) {
    TimelineStep step;
    if (entry_ == Entry::Intro && Progress(partStart_, config_.introMs, now) >= 1.0) {
        entry_ = Entry::Shown;
        if (config_.callbackIntro)
            step.event = TimelineEvent::IntroPlayed;
        step.number = partNumber_;
    } else if (entry_ == Entry::Outro && Progress(partStart_, config_.outroMs, now) >= 1.0) {
        entry_ = Entry::Ended;
        if (config_.callbackOutro)
            step.event = TimelineEvent::OutroFinished;
        step.number = partNumber_;
    }
    return step;
}

bool MovieTimeline::NeedsTicks(double now) const { return MsUntilDue(now) >= 0; }

double MovieTimeline::MsUntilDue(double now) const {
    double due = -1;
    const auto consider = [&due, now](double at) {
        const double left = std::max(0.0, at - now);
        if (due < 0 || left < due)
            due = left;
    };
    if (entry_ == Entry::Intro)
        consider(partStart_ + config_.introMs);
    else if (entry_ == Entry::Outro)
        consider(partStart_ + config_.outroMs);
    if (LevelProgress(now) < 1.0)
        consider(levelStart_ + config_.changeMs);
    if (ValueProgress(now) < 1.0)
        consider(valueStart_ + config_.changeMs);
    return due;
}

unsigned TickDelayMs(double untilDueMs, unsigned frameMs, unsigned minimumMs) {
    if (!(untilDueMs >= 0))
        return 0;
    const unsigned shortest = std::max(minimumMs, 1u);
    const unsigned frame = std::max(frameMs, shortest);
    if (untilDueMs > 1e6)
        return frame;
    const unsigned due = static_cast<unsigned>(std::ceil(untilDueMs));
    if (due <= frame)
        return std::max(due, shortest);
    // What is left after this tick must be nothing or fit whole ticks of
    // shortest to frame ms each; the longest such delay keeps the beat.
    const auto fits = [shortest, frame](unsigned left) {
        return left == 0 || (left + frame - 1) / frame * shortest <= left;
    };
    for (unsigned delay = frame; delay > shortest; --delay) {
        if (fits(due - delay))
            return delay;
    }
    return shortest; // the due moment cannot be met: come as close as the system allows
}

double MovieTimeline::PartProgress(double now) const {
    if (entry_ == Entry::Intro)
        return Progress(partStart_, config_.introMs, now);
    if (entry_ == Entry::Outro)
        return Progress(partStart_, config_.outroMs, now);
    return 1.0;
}

double MovieTimeline::Visibility(double now) const {
    switch (entry_) {
    case Entry::Hidden:
    case Entry::Ended:
        return 0;
    case Entry::Shown:
        return 1;
    case Entry::Intro:
        return partFrom_ + (1 - partFrom_) * EaseOutCubic(PartProgress(now));
    case Entry::Outro:
        return partFrom_ * (1 - EaseInCubic(PartProgress(now)));
    }
    return 0;
}

double MovieTimeline::LevelProgress(double now) const { return Progress(levelStart_, config_.changeMs, now); }

double MovieTimeline::ValueProgress(double now) const { return Progress(valueStart_, config_.changeMs, now); }

} // namespace flashobj
