#include "MovieFile.h"

#include <cstdlib>

#include "TestSupport.h"

namespace bench {

namespace {

// Keeps only the numbers the player itself accepts (0 to 60000 ms).
bool ParseLength(const std::string& line, const char* keyword, double& ms) {
    const std::string prefix = std::string(keyword) + " ";
    if (line.compare(0, prefix.size(), prefix) != 0)
        return false;
    const char* start = line.c_str() + prefix.size();
    char* end = nullptr;
    const long value = std::strtol(start, &end, 10);
    if (end == start || value < 0 || value > 60000)
        return false;
    ms = static_cast<double>(value);
    return true;
}

} // namespace

MovieLengths ReadMovieLengths(const std::string& path, double speed) {
    MovieLengths lengths;
    // The player refuses movies over 64 KiB and plays them as empty ones.
    const std::string text = testsupport::ReadTextFile(path, 64 * 1024 + 1);
    MovieLengths found;
    bool header = false;
    const std::vector<std::string> lines =
        text.size() <= 64 * 1024 ? testsupport::Lines(text) : std::vector<std::string>();
    for (const std::string& line : lines) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#' || line[first] == ';')
            continue;
        if (!header) {
            // The first statement must be the header.
            if (line.compare(first, 14, "ravelo-scene 1") != 0)
                break;
            header = true;
            continue;
        }
        ParseLength(line.substr(first), "intro", found.introMs);
        ParseLength(line.substr(first), "outro", found.outroMs);
    }
    if (header) {
        lengths = found;
        lengths.read = true;
    }
    if (speed > 0) {
        lengths.introMs /= speed;
        lengths.outroMs /= speed;
    }
    return lengths;
}

} // namespace bench
