// Draws a scene, in the state the time line gives, into a canvas the size
// of the player window: shapes anti-aliased on the canvas, texts through GDI
// into a coverage mask, then the intro/outro effect applied.
#pragma once

#include <map>
#include <string>

#include "Canvas.h"
#include "DibSurface.h"
#include "MovieTimeline.h"
#include "SceneFile.h"

namespace flashobj {

struct RenderInputs {
    Entry entry = Entry::Hidden;
    double visibility = 0; // 0..1
    std::string label;     // system code page
    std::string content;
    int level = -1;
    int previousLevel = -1;
    double levelProgress = 1; // 0..1, eased here
    int value = 0;
    int previousValue = 0;
    double valueProgress = 1;
};

class SceneRenderer {
public:
    // Characters no face can draw are logged under logName (see PlayerLog).
    explicit SceneRenderer(const Scene& scene, std::string logName = std::string());
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Renders into out, whose size is the window's; the movie is scaled to
    // fit and centred when the sizes differ. drawn, when given, receives
    // the part of out that may hold anything but transparent pixels. stale,
    // when given, is the only part of out that may (what the last Render
    // into it drew): only that is cleared first, not the whole of out.
    void Render(const RenderInputs& in, Canvas& out, RECT* drawn = nullptr, const RECT* stale = nullptr);
    // The scale Render uses for a window of that size.
    float ScaleFor(int width, int height) const;
    // True when Render at scale s would draw the movie's layers again.
    bool NeedsContent(const RenderInputs& in, float s) const;
    // Draws the movie's layers ahead of the first frame (a player may do it
    // on another thread while its window is hidden).
    void PrepareContent(const RenderInputs& in, float s);
    // Frees the layers; the next frame draws them again.
    void ReleaseContent();

private:
    void DrawElement(const SceneElement& e, const RenderInputs& in, float s);
    void DrawTextElement(const SceneElement& e, const RenderInputs& in, float s);
    void DrawLevels(const SceneElement& e, const RenderInputs& in, float s);
    // Draws one text (with an optional unit) into the box, offset vertically
    // by dy pixels and clipped to the box.
    void DrawTextBox(const std::string& text, const SceneElement& e, float s, float bx, float by, float bw, float bh,
                     float dy, float opacity);
    std::string ResolveFace(const std::string& faces);
    // The face for one text: see FaceFor in the source.
    std::string FaceFor(const std::string& faces, const std::string& text, int weight);
    // Draws the movie at scale s into content_, reusing what has not changed.
    void DrawContent(const RenderInputs& in, float s);

    Scene scene_;
    // Elements before the first one that shows a field never change: they
    // are drawn once per scale into base_. The whole content is redrawn only
    // when a field or the scale changes, so intro and outro frames merely
    // compose it.
    size_t firstDynamic_ = 0;
    Canvas base_;
    float baseScale_ = 0;
    // The drawn movie, cut to the pixels that are not transparent; its
    // top-left corner lies at contentX_, contentY_ of the movie.
    Canvas content_;
    int contentX_ = 0;
    int contentY_ = 0;
    bool contentValid_ = false;
    float contentScale_ = 0;
    RenderInputs contentInputs_;
    DibSurface mask_;
    std::map<std::string, std::string> faces_;
    std::map<std::string, std::string> textFaces_; // "<faces>\n<text>" to face
    std::string logName_;
};

// Fills {label}, {content}, {level} and {value} in a scene text.
std::string ExpandFields(const std::string& text, const std::string& label, const std::string& content, int level,
                         int value);

} // namespace flashobj
