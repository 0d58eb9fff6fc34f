#include "platform/gfx/TextRaster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/base/LogSink.h"
#include "platform/base/Unicode.h"

namespace platform::gfx {

struct TextRaster::FaceHandle {
    FT_Face face = nullptr;
};

namespace {

constexpr const char* kLiberation = "/usr/share/fonts/truetype/liberation2/";
constexpr const char* kLiberationOld = "/usr/share/fonts/truetype/liberation/";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/";

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    return it != haystack.end();
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && containsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string firstExisting(std::initializer_list<std::string> candidates) {
    for (const auto& path : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) return path;
    }
    return {};
}

std::string dejaVuPath(bool bold) {
    return firstExisting(
        {std::string(kDejaVu) + (bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf")});
}

std::vector<std::u32string> paragraphs(std::string_view utf8) {
    std::vector<std::u32string> out(1);
    for (char32_t cp : utf8ToUtf32(utf8)) {
        if (cp == U'\n') {
            out.emplace_back();
        } else if (cp == U'\r' || cp == U'\t') {
            out.back().push_back(U' ');
        } else {
            out.back().push_back(cp);
        }
    }
    return out;
}

constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT;

}  // namespace

TextRaster& TextRaster::shared() {
    static TextRaster raster;
    return raster;
}

TextRaster::TextRaster() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0) library_ = library;
}

TextRaster::~TextRaster() {
    for (auto& [path, handle] : faces_) {
        if (handle && handle->face) FT_Done_Face(handle->face);
        delete handle;
    }
    if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

std::string TextRaster::fontPathFor(std::string_view fontName) {
    const bool bold = containsNoCase(fontName, "bold");
    const char* style = bold ? "-Bold.ttf" : "-Regular.ttf";
    std::string family = "LiberationSans";
    if (startsWithNoCase(fontName, "Courier")) family = "LiberationMono";
    if (startsWithNoCase(fontName, "Times")) family = "LiberationSerif";
    std::string path = firstExisting(
        {std::string(kLiberation) + family + style, std::string(kLiberationOld) + family + style});
    return path.empty() ? dejaVuPath(bold) : path;
}

TextRaster::FaceHandle* TextRaster::face(const std::string& path) {
    if (path.empty() || !library_) return nullptr;
    auto it = faces_.find(path);
    if (it != faces_.end()) return it->second;
    FaceHandle* handle = nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(static_cast<FT_Library>(library_), path.c_str(), 0, &face) == 0) {
        handle = new FaceHandle{face};
    } else {
        platform::LogSink::writef("gfx: cannot load font %s", path.c_str());
    }
    faces_[path] = handle;  // a failed load is remembered too, so it is not retried per text
    return handle;
}

bool TextRaster::prepare(const Style& style, FaceHandle*& primary, FaceHandle*& fallback) {
    const bool bold = containsNoCase(style.fontName, "bold");
    primary = face(fontPathFor(style.fontName));
    fallback = face(dejaVuPath(bold));
    if (!primary) std::swap(primary, fallback);
    if (!primary) return false;
    const auto size = static_cast<FT_F26Dot6>(std::lround(style.fontSize * 64.0));
    for (FaceHandle* handle : {primary, fallback})
        if (handle) FT_Set_Char_Size(handle->face, 0, size, 72, 72);
    return true;
}

std::vector<TextRaster::Glyph> TextRaster::shape(const std::u32string& text, FaceHandle* primary,
                                                 FaceHandle* fallback) {
    shaped_.fetch_add(text.size(), std::memory_order_relaxed);
    std::vector<Glyph> glyphs;
    glyphs.reserve(text.size());
    for (char32_t cp : text) {
        Glyph glyph{primary, FT_Get_Char_Index(primary->face, cp), 0};
        if (glyph.index == 0 && fallback && fallback != primary) {
            const unsigned index = FT_Get_Char_Index(fallback->face, cp);
            if (index != 0) glyph = Glyph{fallback, index, 0};
        }
        if (FT_Load_Glyph(glyph.face->face, glyph.index, kLoadFlags) == 0)
            glyph.advance = glyph.face->face->glyph->advance.x;
        // Pairs like "To" and "AV" sit closer, as the platform's text drawing sets them.
        if (!glyphs.empty() && glyphs.back().face == glyph.face &&
            FT_HAS_KERNING(glyph.face->face)) {
            FT_Vector delta{0, 0};
            if (FT_Get_Kerning(glyph.face->face, glyphs.back().index, glyph.index,
                               FT_KERNING_DEFAULT, &delta) == 0)
                glyphs.back().advance += delta.x;
        }
        glyphs.push_back(glyph);
    }
    return glyphs;
}

std::vector<TextRaster::Line> TextRaster::breakLines(const std::u32string& text,
                                                     const std::vector<Glyph>& glyphs,
                                                     long boxWidth) const {
    std::vector<Line> lines;
    const size_t n = text.size();
    auto trimmedWidth = [&](size_t begin, size_t end) {
        while (end > begin && text[end - 1] == U' ') --end;
        long width = 0;
        for (size_t k = begin; k < end; ++k) width += glyphs[k].advance;
        return std::pair{end, width};
    };
    size_t start = 0;
    do {
        size_t breakAt = 0;  // 0: no space seen in this line yet
        long width = 0;
        size_t j = start;
        size_t next = n;
        size_t end = n;
        for (; j < n; ++j) {
            if (text[j] == U' ') {
                breakAt = j;
            } else if (width + glyphs[j].advance > boxWidth && j > start) {
                if (breakAt > start) {
                    end = breakAt;
                    next = breakAt;
                } else {
                    end = j;
                    next = j;
                }
                break;
            }
            width += glyphs[j].advance;
        }
        if (j == n) end = n, next = n;
        while (next < n && text[next] == U' ') ++next;
        auto [trimmedEnd, lineWidth] = trimmedWidth(start, end);
        lines.push_back(Line{start, trimmedEnd, lineWidth});
        start = next;
    } while (start < n);
    return lines;
}

std::vector<std::string> TextRaster::wrap(std::string_view utf8, double boxWidth,
                                          const Style& style) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    FaceHandle* primary = nullptr;
    FaceHandle* fallback = nullptr;
    if (!prepare(style, primary, fallback)) return out;
    const long box = std::lround(boxWidth * 64.0);
    for (const auto& paragraph : paragraphs(utf8)) {
        const auto glyphs = shape(paragraph, primary, fallback);
        for (const Line& line : breakLines(paragraph, glyphs, box))
            out.push_back(utf32ToUtf8(paragraph.substr(line.begin, line.end - line.begin)));
    }
    return out;
}

double TextRaster::measure(std::string_view utf8, const Style& style) {
    std::lock_guard lock(mutex_);
    FaceHandle* primary = nullptr;
    FaceHandle* fallback = nullptr;
    if (!prepare(style, primary, fallback)) return 0;
    long widest = 0;
    for (const auto& paragraph : paragraphs(utf8)) {
        long width = 0;
        for (const Glyph& glyph : shape(paragraph, primary, fallback)) width += glyph.advance;
        widest = std::max(widest, width);
    }
    return double(widest) / 64.0;
}

bool TextRaster::render(std::string_view utf8, double boxWidth, double boxHeight,
                        const Style& style, std::uint8_t* bitmap, int bitmapWidth,
                        int bitmapHeight) {
    std::lock_guard lock(mutex_);
    FaceHandle* primary = nullptr;
    FaceHandle* fallback = nullptr;
    if (!prepare(style, primary, fallback)) return false;
    if (!bitmap || bitmapWidth <= 0 || bitmapHeight <= 0 || !(boxWidth > 0) || !(boxHeight > 0) ||
        !(style.fontSize > 0))
        return true;

    const int clipWidth = std::min(bitmapWidth, int(std::ceil(std::min(boxWidth, 1e6))));
    const int clipHeight = std::min(bitmapHeight, int(std::ceil(std::min(boxHeight, 1e6))));
    const long box = std::lround(std::min(boxWidth, 1e6) * 64.0);
    const long boxHeight26 = std::lround(std::min(boxHeight, 1e6) * 64.0);
    const FT_Size_Metrics& metrics = primary->face->size->metrics;
    const long lineHeight = metrics.height > 0 ? metrics.height : metrics.y_ppem * 64;
    const long ascender = metrics.ascender;

    long lineIndex = 0;
    for (const auto& paragraph : paragraphs(utf8)) {
        const auto glyphs = shape(paragraph, primary, fallback);
        for (const Line& line : breakLines(paragraph, glyphs, box)) {
            // The first line always shows; later ones only when they fit whole.
            if (lineIndex > 0 && (lineIndex + 1) * lineHeight > boxHeight26) return true;
            const long baseline = ascender + lineIndex * lineHeight;
            ++lineIndex;
            long pen = 0;
            switch (style.alignment) {
                case TextAlignment::Center:
                    pen = (box - line.width) / 2;
                    break;
                case TextAlignment::Right:
                    pen = box - line.width;
                    break;
                default:
                    break;
            }
            for (size_t k = line.begin; k < line.end; ++k) {
                const Glyph& glyph = glyphs[k];
                FT_Face face = glyph.face->face;
                if (FT_Load_Glyph(face, glyph.index, kLoadFlags | FT_LOAD_RENDER) != 0) {
                    pen += glyph.advance;
                    continue;
                }
                const FT_Bitmap& ink = face->glyph->bitmap;
                const long originX = (pen + 32) >> 6;
                const long left = originX + face->glyph->bitmap_left;
                const long top = ((baseline + 32) >> 6) - face->glyph->bitmap_top;
                if (ink.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    for (unsigned row = 0; row < ink.rows; ++row) {
                        const long y = top + long(row);
                        if (y < 0 || y >= clipHeight) continue;
                        const unsigned char* source = ink.buffer + long(row) * ink.pitch;
                        std::uint8_t* target = bitmap + y * long(bitmapWidth);
                        for (unsigned column = 0; column < ink.width; ++column) {
                            const long x = left + long(column);
                            if (x < 0 || x >= clipWidth) continue;
                            const unsigned a = target[x];
                            const unsigned b = source[column];
                            // Overlapping edges of neighbouring glyphs add up as ink does.
                            target[x] = std::uint8_t(a + b - (a * b + 127) / 255);
                        }
                    }
                }
                pen += glyph.advance;
            }
        }
    }
    return true;
}

std::vector<std::uint8_t> TextRaster::render(std::string_view utf8, double boxWidth,
                                             double boxHeight, const Style& style) {
    const int width = boxWidth > 0 ? int(std::ceil(std::min(boxWidth, 16384.0))) : 0;
    const int height = boxHeight > 0 ? int(std::ceil(std::min(boxHeight, 16384.0))) : 0;
    std::vector<std::uint8_t> bitmap(size_t(width) * height, 0);
    if (!bitmap.empty()) render(utf8, boxWidth, boxHeight, style, bitmap.data(), width, height);
    return bitmap;
}

}  // namespace platform::gfx
