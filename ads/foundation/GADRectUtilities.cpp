#include "ads/foundation/GADRectUtilities.h"

#include <cmath>

#include "platform/device/DeviceInfo.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ads {

using platform::Rect;
using platform::Value;

Value GADDictionaryFromCGRect(const Rect& rect) {
    return Value::dictionary({{"x", rect.origin.x},
                              {"y", rect.origin.y},
                              {"width", rect.size.width},
                              {"height", rect.size.height}});
}

Value GADXYWHDictionaryFromCGRect(const Rect& rect) {
    const Rect r = rect.standardized();
    return Value::dictionary(
        {{"x", r.origin.x}, {"y", r.origin.y}, {"w", r.size.width}, {"h", r.size.height}});
}

Rect GADCGRectFromDictionary(const Value& dictionary, platform::Error* error) {
    double parts[4];
    const char* keys[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const Value& v = dictionary.get(keys[i]);
        // A rectangle that is not finite cannot be laid out; it comes from a page, so it is
        // refused like a missing number.
        if (!v.isNumber() || !std::isfinite(v.asReal())) {
            if (error) {
                *error = platform::Error::make(
                    "cg_rect_conversion", 1,
                    "Invalid SDK Core rectangle " + dictionary.description() + ".");
            }
            return Rect::zero();
        }
        parts[i] = v.asReal();
    }
    return Rect(parts[0], parts[1], parts[2], parts[3]);
}

Rect GADConvertRectToInterfaceOrientation(int orientation, const Rect& rect,
                                          const Rect& screenBounds) {
    if (platform::DeviceInfo::systemMajorVersion() >= 8) return rect;
    const double w = screenBounds.size.width;
    const double h = screenBounds.size.height;
    switch (orientation) {
        case 2:
            return Rect(w - rect.maxX(), h - rect.maxY(), rect.width(), rect.height());
        case 3:
            return Rect(rect.minY(), w - rect.maxX(), rect.height(), rect.width());
        case 4:
            return Rect(h - rect.maxY(), rect.minX(), rect.height(), rect.width());
        default:
            return rect;
    }
}

Rect GADConvertRectToStatusBarOrientation(const Rect& rect) {
    if (platform::DeviceInfo::systemMajorVersion() >= 8) return rect;
    return GADConvertRectToInterfaceOrientation(
        platform::ui::Application::shared().statusBarOrientation(), rect,
        platform::ui::Screen::mainScreen().bounds());
}

}  // namespace ads
