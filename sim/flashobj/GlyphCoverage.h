// Whether a face draws a text as it is meant: every character has a glyph
// of its own (no missing-glyph box) and the face's character set decodes the
// text the way the system code page does (DrawTextA decodes with the code
// page of the selected font's character set, so a face of another set would
// turn the text into other characters).
#pragma once
#include <windows.h>

#include <string>

namespace flashobj {

// The characters of text (system code page) that the font selected into dc
// cannot draw, in UTF-16; empty when it draws them all. Control characters
// are never drawn and never count.
std::wstring MissingGlyphs(HDC dc, const std::string& text);

bool FaceInstalled(HDC dc, const std::string& face);

// The face a text is drawn in: first (the first installed face of the
// element's list) when it draws every character; otherwise, as Windows
// links a Western face to the faces of other scripts, the first face of the
// list "A|B|C" or of the system's fallback faces that does. When none does,
// the result is first and missing receives the characters first lacks.
std::string FaceDrawingAll(HDC dc, const std::string& faces, const std::string& first, const std::string& text,
                           int weight, std::wstring* missing);

// "U+4E2D U+6587" for a log line.
std::string CodePointList(const std::wstring& characters);

} // namespace flashobj
