#include "platform/ui/OverlayText.h"

#include <algorithm>
#include <vector>

#include "platform/gfx/TextRaster.h"
#include "platform/ui/Label.h"

namespace platform::ui {

namespace {

// Lines are measured a little narrower than they are drawn, so a line that fits here still
// fits when it is rasterised at another scale.
constexpr double kWrapSlack = 4;

std::shared_ptr<Label> textLabel(std::string text, Rect frame, Font font, TextAlignment alignment,
                                 Color color) {
    auto label = Label::create(frame, std::move(text));
    label->setNumberOfLines(0);
    label->setFont(font);
    label->setTextAlignment(alignment);
    label->setTextColor(color);
    return label;
}

std::vector<std::string> wrappedLines(const std::string& text, double width, Font font) {
    if (text.empty()) return {};
    gfx::TextRaster::Style style;
    style.fontName = font.bold ? "Helvetica-Bold" : "Helvetica";
    style.fontSize = font.size;
    return gfx::TextRaster::shared().wrap(text, std::max(1.0, width - kWrapSlack), style);
}

}  // namespace

std::string boundedOverlayText(std::string_view text, std::size_t maxCharacters) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == maxCharacters) return std::string(text.substr(0, i)) + "\u2026";
    }
    return std::string(text);
}

std::size_t wrappedLineCount(const std::string& text, double width, Font font) {
    return wrappedLines(text, width, font).size();
}

TextColumn makeTextColumn(const std::string& text, double width, double minHeight, Font font,
                          TextAlignment alignment, Color color) {
    auto lines = wrappedLines(text, width, font);
    const double lineHeight = font.size * 1.2;
    TextColumn column;
    column.lines = lines.size();
    column.height = std::max(minHeight, lineHeight * double(lines.size()));
    column.view = View::create({0, 0, width, column.height});
    column.view->setUserInteractionEnabled(false);
    if (lines.size() <= kLinesPerLabel) {
        column.view->addSubview(
            textLabel(text, {0, 0, width, column.height}, font, alignment, color));
        return column;
    }
    double y = (column.height - lineHeight * double(lines.size())) / 2;
    for (std::size_t first = 0; first < lines.size(); first += kLinesPerLabel) {
        std::size_t end = std::min(lines.size(), first + kLinesPerLabel);
        std::string chunk;
        for (std::size_t i = first; i < end; ++i) chunk += (i > first ? "\n" : "") + lines[i];
        double h = lineHeight * double(end - first);
        column.view->addSubview(
            textLabel(std::move(chunk), {0, y, width, h}, font, alignment, color));
        y += h;
    }
    return column;
}

}  // namespace platform::ui
