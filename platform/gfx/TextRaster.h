#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform::gfx {

// Horizontal placement of each line in its box; the values are the text alignment numbers the game
// core and interface files pass (0 left, 1 centred, 2 right). Anything else lays out as left.
enum class TextAlignment : int { Left = 0, Center = 1, Right = 2 };

// Renders text with FreeType into 8-bit coverage bitmaps (0 = no ink, 255 = full ink), laid out
// from the top of a box with word wrapping. Font names the game and interface files ask for map to
// the fonts Debian ships: "Arial" and "Helvetica" to Liberation Sans (same metrics), their bold
// names ("Arial-BoldMT", "Helvetica-Bold", anything with "Bold") to Liberation Sans Bold, with
// DejaVu Sans standing in when Liberation is missing and for characters Liberation lacks.
class TextRaster {
  public:
    struct Style {
        std::string fontName = "Arial";
        double fontSize = 17.0;  // em size in bitmap pixels
        TextAlignment alignment = TextAlignment::Left;
    };

    // The process's renderer. Faces are loaded once and kept; calls are serialised.
    static TextRaster& shared();
    ~TextRaster();

    TextRaster(const TextRaster&) = delete;
    TextRaster& operator=(const TextRaster&) = delete;

    // Draws `utf8` into `bitmap` (bitmapWidth x bitmapHeight bytes, row 0 at the top), laid out
    // in the box (0, 0, boxWidth, boxHeight): lines break at spaces (a word wider than the box
    // breaks between characters) and at newlines; lines that do not fit below the first are left
    // out, and ink is clipped to the box. Answers false when no font could be loaded.
    bool render(std::string_view utf8, double boxWidth, double boxHeight, const Style& style,
                std::uint8_t* bitmap, int bitmapWidth, int bitmapHeight);

    // A bitmap of ceil(boxWidth) x ceil(boxHeight) with the text drawn as above.
    std::vector<std::uint8_t> render(std::string_view utf8, double boxWidth, double boxHeight,
                                     const Style& style);

    // The width in pixels of the widest line when nothing wraps (lines end at newlines only).
    double measure(std::string_view utf8, const Style& style);

    // The lines the text breaks into in a box of that width (for tests and measuring).
    std::vector<std::string> wrap(std::string_view utf8, double boxWidth, const Style& style);

    // Code points shaped since the process started: what wrapping, measuring and rendering
    // cost, for benchmarks and for checks that unchanged texts are not laid out again. Atomic,
    // so it can be read without waiting for a text being drawn.
    std::uint64_t shapedCodePoints() const { return shaped_.load(std::memory_order_relaxed); }

    // The font file a name maps to ("" when none of the candidates exists).
    static std::string fontPathFor(std::string_view fontName);

  private:
    TextRaster();
    struct FaceHandle;
    struct Line {
        size_t begin = 0;  // code point range in the paragraph
        size_t end = 0;
        long width = 0;  // 26.6 fixed point
    };
    struct Glyph {
        FaceHandle* face = nullptr;
        unsigned index = 0;
        long advance = 0;  // 26.6
    };

    FaceHandle* face(const std::string& path);
    bool prepare(const Style& style, FaceHandle*& primary, FaceHandle*& fallback);
    std::vector<Glyph> shape(const std::u32string& text, FaceHandle* primary, FaceHandle* fallback);
    std::vector<Line> breakLines(const std::u32string& text, const std::vector<Glyph>& glyphs,
                                 long boxWidth) const;

    std::mutex mutex_;
    std::atomic<std::uint64_t> shaped_{0};
    void* library_ = nullptr;  // FT_Library
    std::map<std::string, FaceHandle*> faces_;
};

}  // namespace platform::gfx
