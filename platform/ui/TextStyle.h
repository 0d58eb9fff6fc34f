#pragma once

// How views describe the text they show. A view that keeps a long text hands it to the painter
// as SharedText, one immutable string it replaces only when the text changes: the painter
// caches the wrapped and rasterised text by that string, so an unchanged text costs a lookup
// per frame however long it is.

#include <memory>
#include <string>

namespace platform::ui {

// The values (0 left, 1 centred, 2 right) are fixed: interface files and the text raster use
// them.
enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

// Font by size and weight only: the painter picks the face (the stand-in for "Helvetica").
struct Font {
    double size = 17;
    bool bold = false;
    friend bool operator==(const Font&, const Font&) = default;
};

struct TextStyle {
    Font font;
    TextAlignment alignment = TextAlignment::Left;
    // 0 means as many lines as fit the box.
    int maxLines = 1;
    // Centred in the box's height (labels, buttons) or from its top (text views).
    bool centreVertically = true;
};

using SharedText = std::shared_ptr<const std::string>;

// An empty text that every view may share.
const SharedText& emptySharedText();

// `current` when it already holds `text` (so caches keyed by it stay valid), else a new string.
SharedText sharedText(const SharedText& current, std::string text);

}  // namespace platform::ui
