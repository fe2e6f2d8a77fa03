// The lengths a movie file states for its intro and outro ("intro MS" and
// "outro MS" lines of the player's scene format; 200 ms each when absent
// or unreadable), divided by the player's speed factor.
#pragma once
#include <string>

namespace bench {

struct MovieLengths {
    double introMs = 200;
    double outroMs = 200;
    bool read = false; // the file was found and had the scene header
};

MovieLengths ReadMovieLengths(const std::string& path, double speed = 1.0);

} // namespace bench
