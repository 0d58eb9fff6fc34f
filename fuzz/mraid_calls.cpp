// What an MRAID creative's script hands native code: resize properties, orientation
// properties, calendar events (which become an iCalendar file the desktop opens) and the
// headers of pictures it asks us to store. All of it is the page's to choose. The input is
// split at newlines into parameter values: resize properties must come out either absent or
// with a description that names values (never an address), accepted only when well-formed;
// orientation masks are never 0 and never a surprise; the calendar file keeps one property
// per line, lines of at most 75 bytes, and exactly its own BEGIN and END lines; a picture's
// header dimensions are read without reading past the bytes.

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ads/fullscreen/GADMRAIDCalendarProperties.h"
#include "ads/fullscreen/GADMRAIDPicture.h"
#include "ads/fullscreen/GADMRAIDResizeOverlayPresenter.h"
#include "ads/fullscreen/GADMRAIDResizeProperties.h"
#include "ads/slot/GADMRAIDGMSGHandler.h"
#include "platform/services/ICalendar.h"

namespace {

using platform::Value;

std::vector<std::string> fields(std::string_view text, std::size_t count) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (out.size() < count) {
        const std::size_t end = text.find('\n', at);
        out.emplace_back(text.substr(at, end == std::string_view::npos ? text.npos : end - at));
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    out.resize(count);
    return out;
}

void checkResize(const std::vector<std::string>& f) {
    Value::Dictionary parameters{{"width", Value(f[0])},
                                 {"height", Value(f[1])},
                                 {"offsetX", Value(f[2])},
                                 {"offsetY", Value(f[3])},
                                 {"customClosePosition", Value(f[4])},
                                 {"allowOffscreen", Value(f[5])}};
    auto properties =
        ads::GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(parameters);
    FUZZ_CHECK(properties.has_value());
    const std::string description = properties->description();
    FUZZ_CHECK(description.find("0x") == std::string::npos);
    FUZZ_CHECK(properties->customClosePosition >= 0 && properties->customClosePosition <= 6);
    if (properties->isWellFormed()) {
        FUZZ_CHECK(properties->size.width > 0 && properties->size.width <= 4096);
        FUZZ_CHECK(properties->size.height > 0 && properties->size.height <= 4096);
    }
    const platform::Rect bounds{0, 20, 320, 460};
    auto adjusted = ads::GADMRAIDResizeOverlayPresenter::adjustedContentFrame(
        properties->contentFrame(), bounds);
    if (properties->isWellFormed()) {
        FUZZ_CHECK(adjusted.size == properties->size);
    }
    parameters.erase(f[6].empty() ? "width" : "allowOffscreen");
    FUZZ_CHECK(!ads::GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(parameters));
}

void checkOrientation(const std::vector<std::string>& f) {
    auto mask = ads::GADMRAIDGMSGHandler::orientationMaskForProperties(
        {{"allowOrientationChange", Value(f[0])}, {"forceOrientation", Value(f[1])}},
        static_cast<int>(f[2].size() % 5));
    if (!mask) return;
    FUZZ_CHECK(*mask == 6 || *mask == 24 || *mask == 30);
}

void checkCalendar(const std::vector<std::string>& f) {
    auto properties = ads::GADMRAIDCalendarProperties::fromDictionary({{"description", Value(f[0])},
                                                                       {"summary", Value(f[1])},
                                                                       {"location", Value(f[2])},
                                                                       {"start", Value(f[3])},
                                                                       {"end", Value(f[4])}});
    FUZZ_CHECK(properties.has_value());
    const auto event = properties->event(1454293800);
    FUZZ_CHECK(event.end > event.start);
    const std::string text = platform::services::iCalendarText(event, 1454293800, "fuzz");
    std::size_t begins = 0, ends = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        FUZZ_CHECK(end != std::string::npos);
        const std::string line = text.substr(at, end - at);
        FUZZ_CHECK(line.size() <= 75);
        FUZZ_CHECK(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
        // A folded continuation starts with a space; every other line names a property.
        FUZZ_CHECK(line.empty() || line[0] == ' ' || line.find(':') != std::string::npos);
        begins += line.rfind("BEGIN:", 0) == 0;
        ends += line.rfind("END:", 0) == 0;
        at = end + 2;
    }
    FUZZ_CHECK(begins == 2 && ends == 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytes(data, size);
    const auto f = fields(text, 7);
    checkResize(f);
    checkOrientation(f);
    checkCalendar(f);
    (void)ads::GADMRAIDPicture::pictureDimensions(std::vector<std::uint8_t>(data, data + size));
    return 0;
}
