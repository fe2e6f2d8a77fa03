// The movie player's activity log (FLASHOBJ_LOG, sim/flashobj/PlayerLog.h):
// one line per request the player received, per call-back it made and per
// text it had no face for, each with the GetTickCount value at that moment.
//
//   <tick> <movie> request <command> [<argument>]
//   <tick> <movie> ignored <request as received>
//   <tick> <movie> callback intro|outro
//   <tick> <movie> missing <code points> in <face>
//
// Read whole, as the displays it records, or as it grows.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace harness {

struct PlayerEvent {
    DWORD tick = 0;
    std::string movie;
    std::string kind;     // "request", "ignored", "callback" or "missing"
    std::string command;  // the request's command, "intro" / "outro", or the first word
    std::string argument; // the rest of the line
    // A request as the movie received it: the command and its argument.
    std::string Request() const { return argument.empty() ? command : command + " " + argument; }
};

// Lines that do not have the form above are skipped.
std::vector<PlayerEvent> ParsePlayerLog(const std::string& text);

// The first event of the kind and command at or after index from, or null.
const PlayerEvent* FindEvent(const std::vector<PlayerEvent>& events, const std::string& kind,
                             const std::string& command, size_t from = 0);

// A display starts with "show", "show N" or "in" and ends with the movie's
// "callback outro". Displays that overlap or ends without a display are
// listed.
struct DisplaySequence {
    int started = 0;
    int ended = 0;
    std::vector<std::string> starts;    // movie of each start, in order
    std::vector<std::string> overlaps;  // "B started while A was on screen"
    std::vector<std::string> strayEnds; // "outro of A while B was on screen"
    std::string active;                 // movie still on screen at the end
};
DisplaySequence SequenceOf(const std::vector<PlayerEvent>& events);

class PlayerLog {
public:
    PlayerLog() = default;
    explicit PlayerLog(std::string path) : path_(std::move(path)) {}
    // Also starts Next from the beginning.
    void SetPath(std::string path);
    const std::string& Path() const { return path_; }

    // Deletes the file: the player starts it afresh.
    void Clear() const;
    std::string Text() const;
    std::vector<PlayerEvent> Events() const;
    DisplaySequence Sequence() const;
    // Number of requests of that movie and command whose argument starts
    // with prefix (empty: any).
    int Count(const std::string& movie, const std::string& command, const std::string& prefix = std::string()) const;
    // The argument of the last request of that movie and command.
    std::string LastArgument(const std::string& movie, const std::string& command) const;
    // The movie received exactly this request ("changeLabel Profile A On 3800MHz").
    bool Requested(const std::string& movie, const std::string& request) const;
    // The last lines, each cut to 300 characters, for failure messages.
    std::string Tail(size_t lines = 40) const;

    // Reading as it grows: Next returns the events written since the last
    // call (whole lines only); SkipToEnd passes over what is there now.
    void SkipToEnd();
    std::vector<PlayerEvent> Next();

private:
    std::string path_;
    size_t offset_ = 0;
};

} // namespace harness
