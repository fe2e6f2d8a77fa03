// The movie file: a small, line-based, human-readable scene description
// (README.md beside this file documents it). A scene gives the movie's size,
// the lengths and effects of its intro and outro, its call-back points and
// the elements drawn, back to front.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace flashobj {

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;
};

enum class ElementType { Panel, Circle, Ring, Polygon, Text, Levels };
enum class Effect { Fade, Rise, Sink, Zoom };
enum class Align { Left, Center, Right };
enum class VAlign { Top, Middle, Bottom };

struct Point {
    float x = 0;
    float y = 0;
};

struct SceneElement {
    ElementType type = ElementType::Panel;
    // Geometry in movie pixels: a box for panels, texts and level meters,
    // centre and radius for circles and rings, points for polygons.
    float x = 0, y = 0, w = 0, h = 0;
    float cx = 0, cy = 0, r = 0;
    float radius = 0; // corner radius (panels, level steps)
    std::vector<Point> points;

    Rgba fill;
    Rgba fill2; // bottom colour of a vertical gradient
    bool hasFill2 = false;
    Rgba border;
    float borderWidth = 0;
    Rgba shadow; // soft drop shadow under panels and circles, glow of lit steps
    float shadowBlur = 0;
    float shadowDy = 0;

    // Ring: stroke width, and a gap centred on the given direction (degrees,
    // 0 = up, clockwise) that is left open.
    float width = 0;
    float gap = 0;
    float gapAt = 0;

    // Text: the text with {label}, {content}, {level} and {value} fields.
    std::string text;
    std::string font = "Tahoma|DejaVu Sans|Arial"; // faces tried in order
    float size = 20;
    float minSize = 0; // smallest size when shrinking a long text to fit; 0 = never shrink
    int weight = 400;
    Align align = Align::Center;
    VAlign valign = VAlign::Middle;
    bool wrap = false;
    Rgba color{255, 255, 255, 255};
    Rgba textShadow;
    std::string unit; // smaller trailing unit on the same baseline ("MHz")
    float unitSize = 0;
    Rgba unitColor{255, 255, 255, 255};
    float tracking = 0; // extra space between characters, in pixels

    // Level meter: count steps, lit up to the shown level.
    int count = 4;
    float gapSize = 12;
    Rgba on{255, 255, 255, 255};
    Rgba on2;
    bool hasOn2 = false;
    Rgba off{255, 255, 255, 40};
    std::vector<std::string> labels;
    Rgba labelColor{255, 255, 255, 160};
};

struct Scene {
    bool loaded = false; // false: the file was missing or not a scene
    int width = 400;
    int height = 650;
    int introMs = 200;
    int outroMs = 200;
    int changeMs = 0; // length of the level and digit change animations
    Effect introEffect = Effect::Fade;
    Effect outroEffect = Effect::Fade;
    float effectDistance = 24; // movement of rise/sink, in pixels
    bool callbackIntro = false;
    bool callbackOutro = true;
    std::vector<SceneElement> elements;
    int badLines = 0; // lines skipped as malformed (for tests and authors)
};

constexpr size_t kMaxSceneFileSize = 64 * 1024;
constexpr size_t kMaxSceneLineLength = 1024;
constexpr size_t kMaxSceneElements = 96;
constexpr size_t kMaxSceneTextLength = 256;
constexpr size_t kMaxPolygonPoints = 16;

// Parses the text of a movie file. A text without the "ravelo-scene 1"
// header is not a scene: the result has loaded false and the defaults.
Scene ParseScene(const std::string& text);

// The scene played when the file cannot be read or understood: nothing is
// drawn, short default durations, and the call-back points that the movie
// of that name has (by the file's base name, case-insensitive).
Scene EmptySceneFor(const std::string& movieName);

// Reads and parses a file (ANSI path). Missing, unreadable, oversized or
// malformed files give EmptySceneFor(movieName).
Scene LoadSceneFile(const std::string& path, const std::string& movieName);

// "C:\a\//Resource//X.swf" -> "C:\a\Resource\X.swf": forward slashes become
// backslashes and runs of separators collapse (a leading "\\" stays).
std::string NormalisePath(const std::string& path);

// Base name of a path without folder and extension ("X" above).
std::string MovieNameFromPath(const std::string& path);

bool ParseColor(const std::string& text, Rgba& color);

} // namespace flashobj
