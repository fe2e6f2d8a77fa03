#include "SceneFile.h"

#include <cmath>
#include <cstdlib>
#include <map>

namespace flashobj {
namespace {

constexpr float kMaxCoordinate = 10000.0f;
constexpr int kMaxDurationMs = 60000;

std::string ToLowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A line split into its keyword, plain words and key=value attributes.
struct Line {
    std::string keyword;
    std::vector<std::string> words;
    std::map<std::string, std::string> attributes;
};

bool Tokenise(const std::string& text, Line& line) {
    size_t pos = 0;
    bool first = true;
    while (true) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        if (pos >= text.size())
            break;
        size_t start = pos;
        std::string key;
        std::string value;
        bool isAttribute = false;
        while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != '=' && text[pos] != '"')
            ++pos;
        if (pos < text.size() && text[pos] == '"')
            return false; // quotes only after '='
        if (pos < text.size() && text[pos] == '=') {
            isAttribute = true;
            key = text.substr(start, pos - start);
            ++pos;
            if (pos < text.size() && text[pos] == '"') {
                size_t close = text.find('"', pos + 1);
                if (close == std::string::npos)
                    return false;
                value = text.substr(pos + 1, close - pos - 1);
                pos = close + 1;
                if (pos < text.size() && !IsBlank(text[pos]))
                    return false;
            } else {
                size_t vstart = pos;
                while (pos < text.size() && !IsBlank(text[pos])) {
                    if (text[pos] == '"')
                        return false;
                    ++pos;
                }
                value = text.substr(vstart, pos - vstart);
            }
        } else {
            key = text.substr(start, pos - start);
        }
        if (first) {
            if (isAttribute)
                return false;
            line.keyword = ToLowerAscii(key);
            first = false;
        } else if (isAttribute) {
            if (key.empty() || value.size() > kMaxSceneTextLength)
                return false;
            std::string lowered = ToLowerAscii(key);
            if (line.attributes.count(lowered) != 0)
                return false; // said twice: ambiguous
            line.attributes[lowered] = value;
        } else {
            line.words.push_back(key);
        }
    }
    return !first;
}

bool ParseFloat(const std::string& text, float& value) {
    if (text.empty() || text.size() > 32)
        return false;
    char* end = nullptr;
    double d = std::strtod(text.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(d))
        return false;
    if (d > kMaxCoordinate)
        d = kMaxCoordinate;
    if (d < -kMaxCoordinate)
        d = -kMaxCoordinate;
    value = static_cast<float>(d);
    return true;
}

bool ParseInt(const std::string& text, int minimum, int maximum, int& value) {
    if (text.empty() || text.size() > 11)
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == nullptr || *end != '\0')
        return false;
    if (v < minimum || v > maximum)
        return false;
    value = static_cast<int>(v);
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseEffect(const std::string& text, Effect& effect) {
    const std::string s = ToLowerAscii(text);
    if (s == "fade")
        effect = Effect::Fade;
    else if (s == "rise")
        effect = Effect::Rise;
    else if (s == "sink")
        effect = Effect::Sink;
    else if (s == "zoom")
        effect = Effect::Zoom;
    else
        return false;
    return true;
}

bool ParseWeight(const std::string& text, int& weight) {
    const std::string s = ToLowerAscii(text);
    if (s == "normal")
        weight = 400;
    else if (s == "light")
        weight = 300;
    else if (s == "semibold")
        weight = 600;
    else if (s == "bold")
        weight = 700;
    else if (s == "black")
        weight = 900;
    else
        return ParseInt(s, 100, 1000, weight);
    return true;
}

bool ParseBool(const std::string& text, bool& value) {
    const std::string s = ToLowerAscii(text);
    if (s == "yes" || s == "true" || s == "1")
        value = true;
    else if (s == "no" || s == "false" || s == "0")
        value = false;
    else
        return false;
    return true;
}

bool ParsePoints(const std::string& text, std::vector<Point>& points) {
    points.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
        if (pos >= text.size())
            break;
        size_t end = text.find(' ', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string pair = text.substr(pos, end - pos);
        size_t comma = pair.find(',');
        if (comma == std::string::npos)
            return false;
        Point p;
        if (!ParseFloat(pair.substr(0, comma), p.x) || !ParseFloat(pair.substr(comma + 1), p.y))
            return false;
        if (points.size() >= kMaxPolygonPoints)
            return false;
        points.push_back(p);
        pos = end;
    }
    return points.size() >= 3;
}

std::vector<std::string> SplitBars(const std::string& text) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t bar = text.find('|', pos);
        parts.push_back(text.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos));
        if (bar == std::string::npos)
            break;
        pos = bar + 1;
    }
    return parts;
}

// Applies the attributes of one element line; false on an unknown key or a
// bad value, so the line is skipped as a whole.
bool ApplyAttributes(const Line& line, SceneElement& e) {
    for (const auto& kv : line.attributes) {
        const std::string& k = kv.first;
        const std::string& v = kv.second;
        bool ok = true;
        if (k == "x")
            ok = ParseFloat(v, e.x);
        else if (k == "y")
            ok = ParseFloat(v, e.y);
        else if (k == "w")
            ok = ParseFloat(v, e.w) && e.w >= 0;
        else if (k == "h")
            ok = ParseFloat(v, e.h) && e.h >= 0;
        else if (k == "cx")
            ok = ParseFloat(v, e.cx);
        else if (k == "cy")
            ok = ParseFloat(v, e.cy);
        else if (k == "r")
            ok = ParseFloat(v, e.r) && e.r >= 0;
        else if (k == "radius")
            ok = ParseFloat(v, e.radius) && e.radius >= 0;
        else if (k == "points")
            ok = ParsePoints(v, e.points);
        else if (k == "fill")
            ok = ParseColor(v, e.fill);
        else if (k == "fill2")
            ok = (e.hasFill2 = ParseColor(v, e.fill2));
        else if (k == "border")
            ok = ParseColor(v, e.border);
        else if (k == "border-width")
            ok = ParseFloat(v, e.borderWidth) && e.borderWidth >= 0;
        else if (k == "shadow")
            ok = ParseColor(v, e.shadow);
        else if (k == "shadow-blur")
            ok = ParseFloat(v, e.shadowBlur) && e.shadowBlur >= 0;
        else if (k == "shadow-dy")
            ok = ParseFloat(v, e.shadowDy);
        else if (k == "width")
            ok = ParseFloat(v, e.width) && e.width >= 0;
        else if (k == "gap") {
            // Degrees for rings, pixels between steps for level meters.
            if (e.type == ElementType::Levels)
                ok = ParseFloat(v, e.gapSize) && e.gapSize >= 0;
            else
                ok = ParseFloat(v, e.gap) && e.gap >= 0 && e.gap <= 360;
        } else if (k == "gap-at")
            ok = ParseFloat(v, e.gapAt);
        else if (k == "text")
            e.text = v;
        else if (k == "font")
            ok = !v.empty() && v.size() < 200;
        else if (k == "size")
            ok = ParseFloat(v, e.size) && e.size >= 1 && e.size <= 400;
        else if (k == "min-size")
            ok = ParseFloat(v, e.minSize) && e.minSize >= 0 && e.minSize <= 400;
        else if (k == "weight")
            ok = ParseWeight(v, e.weight);
        else if (k == "align") {
            const std::string s = ToLowerAscii(v);
            if (s == "left")
                e.align = Align::Left;
            else if (s == "center" || s == "centre")
                e.align = Align::Center;
            else if (s == "right")
                e.align = Align::Right;
            else
                ok = false;
        } else if (k == "valign") {
            const std::string s = ToLowerAscii(v);
            if (s == "top")
                e.valign = VAlign::Top;
            else if (s == "middle")
                e.valign = VAlign::Middle;
            else if (s == "bottom")
                e.valign = VAlign::Bottom;
            else
                ok = false;
        } else if (k == "wrap")
            ok = ParseBool(v, e.wrap);
        else if (k == "color")
            ok = ParseColor(v, e.color);
        else if (k == "text-shadow")
            ok = ParseColor(v, e.textShadow);
        else if (k == "unit")
            e.unit = v;
        else if (k == "unit-size")
            ok = ParseFloat(v, e.unitSize) && e.unitSize >= 1 && e.unitSize <= 400;
        else if (k == "unit-color")
            ok = ParseColor(v, e.unitColor);
        else if (k == "tracking")
            ok = ParseFloat(v, e.tracking) && e.tracking >= -10 && e.tracking <= 50;
        else if (k == "count")
            ok = ParseInt(v, 1, 16, e.count);
        else if (k == "on")
            ok = ParseColor(v, e.on);
        else if (k == "on2")
            ok = (e.hasOn2 = ParseColor(v, e.on2));
        else if (k == "off")
            ok = ParseColor(v, e.off);
        else if (k == "labels")
            e.labels = SplitBars(v);
        else if (k == "label-color")
            ok = ParseColor(v, e.labelColor);
        else
            ok = false;
        if (!ok)
            return false;
        if (k == "font")
            e.font = v;
    }
    return true;
}

bool ParseElement(const Line& line, SceneElement& e) {
    if (!line.words.empty())
        return false;
    if (line.keyword == "panel")
        e.type = ElementType::Panel;
    else if (line.keyword == "circle")
        e.type = ElementType::Circle;
    else if (line.keyword == "ring")
        e.type = ElementType::Ring;
    else if (line.keyword == "polygon")
        e.type = ElementType::Polygon;
    else if (line.keyword == "text")
        e.type = ElementType::Text;
    else if (line.keyword == "levels")
        e.type = ElementType::Levels;
    else
        return false;
    if (!ApplyAttributes(line, e))
        return false;
    if (e.type == ElementType::Polygon && e.points.size() < 3)
        return false;
    if (e.type == ElementType::Text && e.minSize > e.size)
        e.minSize = e.size;
    return true;
}

// Header lines: size, intro, outro, change, distance, callback.
bool ParseSetting(const Line& line, Scene& scene, bool& known) {
    known = true;
    const std::vector<std::string>& w = line.words;
    if (!line.attributes.empty()) {
        known = line.keyword == "size" || line.keyword == "intro" || line.keyword == "outro" ||
                line.keyword == "change" || line.keyword == "distance" || line.keyword == "callback";
        return false;
    }
    if (line.keyword == "size") {
        return w.size() == 2 && ParseInt(w[0], 1, 4096, scene.width) && ParseInt(w[1], 1, 4096, scene.height);
    }
    if (line.keyword == "intro" || line.keyword == "outro") {
        const bool intro = line.keyword == "intro";
        if (w.empty() || w.size() > 2)
            return false;
        int ms = 0;
        if (!ParseInt(w[0], 0, kMaxDurationMs, ms))
            return false;
        Effect effect = Effect::Fade;
        if (w.size() == 2 && !ParseEffect(w[1], effect))
            return false;
        (intro ? scene.introMs : scene.outroMs) = ms;
        (intro ? scene.introEffect : scene.outroEffect) = effect;
        return true;
    }
    if (line.keyword == "change")
        return w.size() == 1 && ParseInt(w[0], 0, kMaxDurationMs, scene.changeMs);
    if (line.keyword == "distance") {
        return w.size() == 1 && ParseFloat(w[0], scene.effectDistance) && scene.effectDistance >= 0 &&
               scene.effectDistance <= 1000;
    }
    if (line.keyword == "callback") {
        if (w.size() != 1)
            return false;
        const std::string which = ToLowerAscii(w[0]);
        if (which == "intro")
            scene.callbackIntro = true;
        else if (which == "outro")
            scene.callbackOutro = true;
        else
            return false;
        return true;
    }
    known = false;
    return false;
}

} // namespace

bool ParseColor(const std::string& text, Rgba& color) {
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#')
        return false;
    int v[4] = {0, 0, 0, 255};
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        int hi = HexDigit(text[i + 1]);
        int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return false;
        v[i / 2] = hi * 16 + lo;
    }
    color = Rgba{static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2]),
                 static_cast<uint8_t>(v[3])};
    return true;
}

Scene ParseScene(const std::string& text) {
    Scene scene;
    if (text.size() > kMaxSceneFileSize)
        return scene;

    size_t pos = 0;
    bool headerSeen = false;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!headerSeen && raw.size() >= 3 && static_cast<unsigned char>(raw[0]) == 0xEF &&
            static_cast<unsigned char>(raw[1]) == 0xBB && static_cast<unsigned char>(raw[2]) == 0xBF) {
            raw.erase(0, 3); // UTF-8 byte order mark
        }
        size_t first = 0;
        while (first < raw.size() && IsBlank(raw[first]))
            ++first;
        if (first == raw.size() || raw[first] == '#' || raw[first] == ';')
            continue;
        if (raw.size() > kMaxSceneLineLength || raw.find('\0') != std::string::npos) {
            if (!headerSeen)
                return Scene();
            ++scene.badLines;
            continue;
        }
        Line line;
        const bool tokenised = Tokenise(raw, line);
        if (!headerSeen) {
            // The first meaningful line says what the file is.
            if (!tokenised || line.keyword != "ravelo-scene" || line.words.size() != 1 || line.words[0] != "1" ||
                !line.attributes.empty()) {
                return Scene();
            }
            headerSeen = true;
            scene.loaded = true;
            scene.callbackIntro = false;
            scene.callbackOutro = false;
            continue;
        }
        if (!tokenised) {
            ++scene.badLines;
            continue;
        }
        bool known = false;
        if (ParseSetting(line, scene, known))
            continue;
        if (known) {
            ++scene.badLines;
            continue;
        }
        SceneElement element;
        if (scene.elements.size() < kMaxSceneElements && ParseElement(line, element)) {
            scene.elements.push_back(std::move(element));
        } else {
            ++scene.badLines;
        }
    }
    return scene;
}

Scene EmptySceneFor(const std::string& movieName) {
    Scene scene;
    scene.loaded = false;
    const std::string name = ToLowerAscii(movieName);
    // The profile and tuning movies also report the end of their intro.
    scene.callbackIntro = name == "raveloprofileon" || name == "raveloprofileoff" || name == "octuning";
    scene.callbackOutro = true;
    return scene;
}

std::string NormalisePath(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i] == '/' ? '\\' : path[i];
        // Keep the two leading separators of a UNC path; collapse all others.
        if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 1)
            continue;
        out.push_back(c);
    }
    return out;
}

std::string MovieNameFromPath(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    return base;
}

} // namespace flashobj
