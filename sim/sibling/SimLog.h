// The stand-ins' readable log: one line per event, appended with one write
// and the file closed again, so a test can read it at any moment and lines
// of two processes never interleave within a line.
#pragma once
#include <string>

namespace sibling {

class SimLog {
public:
    SimLog() = default;
    explicit SimLog(std::string path) : path_(std::move(path)) {}

    // The path named by the environment variable, or defaultName in the
    // folder of the running executable.
    static std::string PathFromEnvironment(const char* variable, const char* defaultName);

    const std::string& Path() const { return path_; }

    // Appends "HH:MM:SS.mmm <source> <text>" and a line break. False when
    // the file cannot be opened or written.
    bool Write(const std::string& source, const std::string& text) const;

private:
    std::string path_;
};

// printf-style formatting into a std::string (bounded; long output is cut).
std::string Format(const char* format, ...);

} // namespace sibling
