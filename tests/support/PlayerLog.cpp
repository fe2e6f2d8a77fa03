#include "PlayerLog.h"

#include <cstdlib>

#include "TestSupport.h"

namespace harness {

namespace {

// The log of a long run may have grown to hundreds of megabytes.
constexpr size_t kMaxLogBytes = 64u << 20;

// The next blank-separated word of line from at; empty at the end.
std::string Word(const std::string& line, size_t& at) {
    while (at < line.size() && line[at] == ' ')
        ++at;
    const size_t start = at;
    while (at < line.size() && line[at] != ' ')
        ++at;
    return line.substr(start, at - start);
}

bool ParseLine(const std::string& line, PlayerEvent& event) {
    size_t at = 0;
    const std::string tick = Word(line, at);
    if (tick.empty() || tick.size() > 10 || tick.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long long value = std::strtoull(tick.c_str(), nullptr, 10);
    if (value > 0xFFFFFFFFull)
        return false;
    event.tick = static_cast<DWORD>(value);
    event.movie = Word(line, at);
    event.kind = Word(line, at);
    event.command = Word(line, at);
    if (event.movie.empty() || event.kind.empty() || event.command.empty())
        return false;
    if (at < line.size())
        event.argument = line.substr(at + 1);
    return true;
}

} // namespace

std::vector<PlayerEvent> ParsePlayerLog(const std::string& text) {
    std::vector<PlayerEvent> events;
    for (const std::string& line : testsupport::Lines(text)) {
        PlayerEvent event;
        if (ParseLine(line, event))
            events.push_back(event);
    }
    return events;
}

const PlayerEvent* FindEvent(const std::vector<PlayerEvent>& events, const std::string& kind,
                             const std::string& command, size_t from) {
    for (size_t i = from; i < events.size(); ++i)
        if (events[i].kind == kind && events[i].command == command)
            return &events[i];
    return nullptr;
}

DisplaySequence SequenceOf(const std::vector<PlayerEvent>& events) {
    DisplaySequence sequence;
    for (const PlayerEvent& event : events) {
        const bool start = event.kind == "request" && (event.command == "show" || event.command == "in");
        const bool end = event.kind == "callback" && event.command == "outro";
        if (start) {
            ++sequence.started;
            sequence.starts.push_back(event.movie);
            if (!sequence.active.empty())
                sequence.overlaps.push_back(event.movie + " started at " + std::to_string(event.tick) + " while " +
                                            sequence.active + " was on screen");
            sequence.active = event.movie;
        } else if (end) {
            ++sequence.ended;
            if (sequence.active == event.movie)
                sequence.active.clear();
            else
                sequence.strayEnds.push_back("outro of " + event.movie + " at " + std::to_string(event.tick) +
                                             (sequence.active.empty()
                                                  ? " with nothing on screen"
                                                  : " while " + sequence.active + " was on screen"));
        }
    }
    return sequence;
}

void PlayerLog::SetPath(std::string path) {
    path_ = std::move(path);
    offset_ = 0;
}

void PlayerLog::Clear() const { DeleteFileA(path_.c_str()); }

std::string PlayerLog::Text() const { return testsupport::ReadTextFile(path_, kMaxLogBytes); }

std::vector<PlayerEvent> PlayerLog::Events() const { return ParsePlayerLog(Text()); }

DisplaySequence PlayerLog::Sequence() const { return SequenceOf(Events()); }

int PlayerLog::Count(const std::string& movie, const std::string& command, const std::string& prefix) const {
    int count = 0;
    for (const PlayerEvent& event : Events())
        if (event.kind == "request" && event.movie == movie && event.command == command &&
            event.argument.compare(0, prefix.size(), prefix) == 0)
            ++count;
    return count;
}

std::string PlayerLog::LastArgument(const std::string& movie, const std::string& command) const {
    std::string argument;
    for (const PlayerEvent& event : Events())
        if (event.kind == "request" && event.movie == movie && event.command == command)
            argument = event.argument;
    return argument;
}

bool PlayerLog::Requested(const std::string& movie, const std::string& request) const {
    for (const PlayerEvent& event : Events())
        if (event.kind == "request" && event.movie == movie && event.Request() == request)
            return true;
    return false;
}

std::string PlayerLog::Tail(size_t lines) const {
    const std::string text = Text();
    size_t at = text.size();
    for (size_t n = 0; n <= lines && at > 0; ++n)
        at = text.rfind('\n', at - 1);
    std::string tail = at == std::string::npos ? text : text.substr(at + 1);
    // A 1 MB caption would drown the message.
    for (size_t start = 0; start < tail.size();) {
        size_t stop = tail.find('\n', start);
        if (stop == std::string::npos)
            stop = tail.size();
        if (stop - start > 300) {
            tail.replace(start + 300, stop - start - 300, "...");
            stop = start + 303;
        }
        start = stop + 1;
    }
    return tail;
}

void PlayerLog::SkipToEnd() { offset_ = Text().size(); }

std::vector<PlayerEvent> PlayerLog::Next() {
    if (path_.empty())
        return {};
    const std::string text = Text();
    if (text.size() < offset_)
        offset_ = 0; // the file was started afresh
    const size_t lastLineEnd = text.rfind('\n');
    if (lastLineEnd == std::string::npos || lastLineEnd + 1 <= offset_)
        return {};
    const std::string fresh = text.substr(offset_, lastLineEnd + 1 - offset_);
    offset_ = lastLineEnd + 1;
    return ParsePlayerLog(fresh);
}

} // namespace harness
