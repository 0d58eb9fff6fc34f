#pragma once

// Texts alerts and action sheets show. They come from servers and files as often as from the
// program, so what is shown is cut to kMaxOverlayTextCharacters code points (an ellipsis marks
// the cut), and a long text is laid out in labels of at most kLinesPerLabel lines each, so no
// text texture grows past what a GPU takes or a frame can afford to draw.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/Geometry.h"
#include "platform/ui/TextStyle.h"

namespace platform::ui {

class View;

inline constexpr std::size_t kMaxOverlayTextCharacters = 4000;
inline constexpr std::size_t kLinesPerLabel = 40;

// The text as shown: whole when short enough, else its first code points and an ellipsis.
// Never cuts a UTF-8 sequence apart.
std::string boundedOverlayText(std::string_view text,
                               std::size_t maxCharacters = kMaxOverlayTextCharacters);

// How many lines the text wraps into in a column `width` points wide.
std::size_t wrappedLineCount(const std::string& text, double width, Font font);

// A column of wrapped text `width` points wide, as tall as its lines need (at least
// `minHeight`); the lines sit centred in that height. Touches pass through it.
struct TextColumn {
    std::shared_ptr<View> view;
    double height = 0;
    std::size_t lines = 0;
};
TextColumn makeTextColumn(const std::string& text, double width, double minHeight, Font font,
                          TextAlignment alignment, Color color);

}  // namespace platform::ui
