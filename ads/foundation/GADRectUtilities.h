#pragma once

// Rectangles as the SDK core, the creatives and the server exchange them, and the conversion
// of screen rectangles into interface-orientation coordinates for systems before 8.0 (whose
// screen did not turn with the interface).

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace ads {

// {"x", "y", "width", "height"}, as they are (a negative width stays negative).
platform::Value GADDictionaryFromCGRect(const platform::Rect& rect);
// The standardized rectangle as {"x", "y", "w", "h"}; request parameters use this form.
platform::Value GADXYWHDictionaryFromCGRect(const platform::Rect& rect);
// Reads {"x", "y", "width", "height"}, each a finite number; otherwise the zero rectangle and
// the error "cg_rect_conversion" 1 "Invalid SDK Core rectangle <dictionary>.".
platform::Rect GADCGRectFromDictionary(const platform::Value& dictionary,
                                       platform::Error* error = nullptr);

// On system 8.0 or later, and for portrait, the rectangle unchanged; before, turned into the
// coordinates of orientation 2 (upside down), 3 (landscape right) or 4 (landscape left) of a
// screen of the given portrait bounds.
platform::Rect GADConvertRectToInterfaceOrientation(int orientation, const platform::Rect& rect,
                                                    const platform::Rect& screenBounds);
// The same with the status bar's orientation and the main screen's bounds. Main thread.
platform::Rect GADConvertRectToStatusBarOrientation(const platform::Rect& rect);

}  // namespace ads
