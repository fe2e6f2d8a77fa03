#include "MovieLog.h"

#include <cstdlib>

#include "ProcessProbe.h"
#include "TestSupport.h"

namespace bench {

namespace {

// The next blank-separated word of line from at; empty at the end.
std::string Word(const std::string& line, size_t& at) {
    while (at < line.size() && line[at] == ' ')
        ++at;
    const size_t start = at;
    while (at < line.size() && line[at] != ' ')
        ++at;
    return line.substr(start, at - start);
}

bool ParseLine(const std::string& line, MovieEvent& event) {
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
    if (event.movie.empty() || (event.kind != "request" && event.kind != "ignored" && event.kind != "callback"))
        return false;
    if (event.kind == "ignored") {
        while (at < line.size() && line[at] == ' ')
            ++at;
        event.argument = line.substr(at);
        return true;
    }
    event.command = Word(line, at);
    if (event.command.empty())
        return false;
    if (at < line.size())
        event.argument = line.substr(at + 1);
    return true;
}

} // namespace

std::vector<MovieEvent> ParseMovieLog(const std::string& text) {
    std::vector<MovieEvent> events;
    for (const std::string& line : testsupport::Lines(text)) {
        MovieEvent event;
        if (ParseLine(line, event))
            events.push_back(event);
    }
    return events;
}

void MovieLogReader::SetPath(const std::string& path) {
    path_ = path;
    offset_ = 0;
}

void MovieLogReader::SkipToEnd() { offset_ = ReadWholeFile(path_, 64u << 20).size(); }

std::vector<MovieEvent> MovieLogReader::Next() {
    if (path_.empty())
        return {};
    const std::string text = ReadWholeFile(path_, 64u << 20);
    if (text.size() < offset_)
        offset_ = 0; // the file was started afresh
    const size_t lastLineEnd = text.rfind('\n');
    if (lastLineEnd == std::string::npos || lastLineEnd + 1 <= offset_)
        return {};
    const std::string fresh = text.substr(offset_, lastLineEnd + 1 - offset_);
    offset_ = lastLineEnd + 1;
    return ParseMovieLog(fresh);
}

const MovieEvent* FindEvent(const std::vector<MovieEvent>& events, const std::string& kind, const std::string& command,
                            size_t from) {
    for (size_t i = from; i < events.size(); ++i)
        if (events[i].kind == kind && events[i].command == command)
            return &events[i];
    return nullptr;
}

} // namespace bench
