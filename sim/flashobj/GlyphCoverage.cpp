#include "GlyphCoverage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

#include "DibSurface.h"
#include "TextCodec.h"

namespace flashobj {
namespace {

// The code page GDI's narrow text functions use for the selected font.
UINT DrawingCodePage(HDC dc) {
    const int charset = GetTextCharsetInfo(dc, nullptr, 0);
    if (charset == DEFAULT_CHARSET)
        return GetACP();
    CHARSETINFO info{};
    if (!TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(charset)), &info, TCI_SRCCHARSET))
        return GetACP();
    return info.ciACP;
}

std::wstring Decode(const std::string& text, UINT codePage) {
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &out[0], needed);
    return out;
}

int CALLBACK FaceFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The Japanese and Chinese UI faces of Windows first, then those of a Linux
// system under Wine.
const char* const kFallbackFaces[] = {"MS UI Gothic",        "Meiryo",
                                      "Microsoft YaHei",     "SimSun",
                                      "Microsoft JhengHei",  "PMingLiU",
                                      "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                                      "Noto Sans CJK JP",    "Droid Sans Fallback"};

} // namespace

bool FaceInstalled(HDC dc, const std::string& face) {
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    bool found = false;
    EnumFontFamiliesExA(dc, &lf, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::string FaceDrawingAll(HDC dc, const std::string& faces, const std::string& first, const std::string& text,
                           int weight, std::wstring* missing) {
    auto lacks = [&](const std::string& face) {
        GdiFont font(face.c_str(), 16, weight);
        SelectGuard select(dc, font.get());
        return MissingGlyphs(dc, text);
    };
    const std::wstring lacking = lacks(first);
    if (lacking.empty())
        return first;
    std::vector<std::string> candidates;
    size_t pos = 0;
    while (pos <= faces.size()) {
        size_t bar = faces.find('|', pos);
        if (bar == std::string::npos)
            bar = faces.size();
        candidates.push_back(faces.substr(pos, bar - pos));
        pos = bar + 1;
    }
    candidates.insert(candidates.end(), std::begin(kFallbackFaces), std::end(kFallbackFaces));
    for (const std::string& face : candidates) {
        if (face != first && FaceInstalled(dc, face) && lacks(face).empty())
            return face;
    }
    if (missing != nullptr)
        *missing = lacking;
    return first;
}

std::wstring MissingGlyphs(HDC dc, const std::string& text) {
    const std::wstring meant = AnsiToWide(text);
    std::wstring missing;
    if (meant.empty())
        return missing;
    // Another character set draws other characters: all of those that are
    // not plain ASCII count as missing.
    const UINT codePage = DrawingCodePage(dc);
    if (codePage != GetACP() && Decode(text, codePage) != meant) {
        for (wchar_t c : meant) {
            if (c >= 0x80)
                missing.push_back(c);
        }
        return missing;
    }
    std::vector<WORD> glyphs(meant.size(), 0);
    // The wide form, as characters: the narrow one would count bytes.
    if (GetGlyphIndicesW(dc, meant.c_str(), static_cast<int>(meant.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return meant;
    for (size_t i = 0; i < meant.size(); ++i) {
        if (meant[i] >= 0x20 && glyphs[i] == 0xFFFF)
            missing.push_back(meant[i]);
    }
    return missing;
}

std::string CodePointList(const std::wstring& characters) {
    std::string out;
    for (wchar_t c : characters) {
        char code[16];
        std::snprintf(code, sizeof(code), "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(c));
        out += code;
    }
    return out;
}

} // namespace flashobj
