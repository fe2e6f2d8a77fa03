// The movie player's activity log (FLASHOBJ_LOG): one line per request the
// player received and per call-back it made, each with the GetTickCount
// value at that moment.
//
//   <tick> <movie> request <command> [<argument>]
//   <tick> <movie> ignored <request>
//   <tick> <movie> callback intro|outro
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace bench {

struct MovieEvent {
    DWORD tick = 0;
    std::string movie;
    std::string kind;    // "request", "ignored" or "callback"
    std::string command; // request: show, end, changeLabel, ...; callback: intro or outro
    std::string argument;
};

// Parses log text; lines that do not have the form above are skipped.
std::vector<MovieEvent> ParseMovieLog(const std::string& text);

// Reads the log as it grows: each Next returns the events written since
// the last call (whole lines only).
class MovieLogReader {
public:
    explicit MovieLogReader(std::string path = std::string()) : path_(std::move(path)) {}
    void SetPath(const std::string& path);
    // Skips everything written so far.
    void SkipToEnd();
    std::vector<MovieEvent> Next();

private:
    std::string path_;
    size_t offset_ = 0;
};

// The first event of the kind and command at or after index from, or null.
const MovieEvent* FindEvent(const std::vector<MovieEvent>& events, const std::string& kind, const std::string& command,
                            size_t from = 0);

} // namespace bench
