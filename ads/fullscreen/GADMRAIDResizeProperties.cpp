#include "ads/fullscreen/GADMRAIDResizeProperties.h"

#include <charconv>
#include <cmath>
#include <map>

#include "platform/base/NumberText.h"
#include "platform/ui/View.h"

namespace ads {

using namespace platform::ui;

namespace {

const char* closePositionName(std::int64_t position) {
    switch (static_cast<GADMRAIDClosePosition>(position)) {
        case GADMRAIDClosePosition::TopRight:
            return "top-right";
        case GADMRAIDClosePosition::TopCenter:
            return "top-center";
        case GADMRAIDClosePosition::TopLeft:
            return "top-left";
        case GADMRAIDClosePosition::Center:
            return "center";
        case GADMRAIDClosePosition::BottomRight:
            return "bottom-right";
        case GADMRAIDClosePosition::BottomCenter:
            return "bottom-center";
        case GADMRAIDClosePosition::BottomLeft:
            return "bottom-left";
    }
    return "top-right";
}

std::string number(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    // "%g" without the C locale's say: a German one would write "0,5" to the page.
    char text[64];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, written.ptr);
}

bool contains(const platform::Rect& outer, const platform::Rect& inner) {
    return inner.minX() >= outer.minX() && inner.minY() >= outer.minY() &&
           inner.maxX() <= outer.maxX() && inner.maxY() <= outer.maxY();
}

}  // namespace

std::optional<GADMRAIDResizeProperties>
GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(
    const platform::Value::Dictionary& parameters) {
    for (const char* key :
         {"width", "height", "offsetX", "offsetY", "customClosePosition", "allowOffscreen"}) {
        if (!parameters.count(key)) return std::nullopt;
    }
    static const std::map<std::string, GADMRAIDClosePosition> kPositions{
        {"top-right", GADMRAIDClosePosition::TopRight},
        {"top-center", GADMRAIDClosePosition::TopCenter},
        {"top-left", GADMRAIDClosePosition::TopLeft},
        {"center", GADMRAIDClosePosition::Center},
        {"bottom-right", GADMRAIDClosePosition::BottomRight},
        {"bottom-center", GADMRAIDClosePosition::BottomCenter},
        {"bottom-left", GADMRAIDClosePosition::BottomLeft},
    };
    GADMRAIDResizeProperties properties;
    properties.size = {parameters.at("width").doubleValue(), parameters.at("height").doubleValue()};
    properties.offset = {parameters.at("offsetX").doubleValue(),
                         parameters.at("offsetY").doubleValue()};
    auto position = kPositions.find(parameters.at("customClosePosition").stringValue());
    properties.customClosePosition = static_cast<std::int64_t>(
        position == kPositions.end() ? GADMRAIDClosePosition::TopRight : position->second);
    properties.allowOffscreen = parameters.at("allowOffscreen").boolValue();
    return properties;
}

bool GADMRAIDResizeProperties::isWellFormed() const {
    auto sideOK = [](double side) { return std::isfinite(side) && side > 0 && side <= kMaxSide; };
    return sideOK(size.width) && sideOK(size.height) && std::isfinite(offset.x) &&
           std::isfinite(offset.y);
}

std::string GADMRAIDResizeProperties::description() const {
    return "{width = " + number(size.width) + ", height = " + number(size.height) +
           ", offsetX = " + number(offset.x) + ", offsetY = " + number(offset.y) +
           ", customClosePosition = " + closePositionName(customClosePosition) +
           ", allowOffscreen = " + (allowOffscreen ? "YES" : "NO") + "}";
}

std::string GADMRAIDResizeProperties::description(
    const std::optional<GADMRAIDResizeProperties>& properties) {
    return properties ? properties->description() : "(null)";
}

bool GADMRAIDResizeProperties::isContentFrameValid(platform::Rect content, platform::Rect bounds,
                                                   bool allowOffscreen,
                                                   std::int64_t closeButtonPosition) {
    if (!allowOffscreen) return contains(bounds, content);
    return contains(bounds, closeButtonRectForPosition(closeButtonPosition, content));
}

platform::Rect GADMRAIDResizeProperties::closeButtonRectForPosition(std::int64_t position,
                                                                    platform::Rect f) {
    const double side = kCloseButtonSide;
    const double minX = f.origin.x, minY = f.origin.y;
    const double maxX = minX + f.size.width, maxY = minY + f.size.height;
    const double midX = minX + f.size.width / 2, midY = minY + f.size.height / 2;
    platform::Point origin{minX, minY};
    switch (static_cast<GADMRAIDClosePosition>(position)) {
        case GADMRAIDClosePosition::TopRight:
            origin = {maxX - side, minY};
            break;
        case GADMRAIDClosePosition::TopCenter:
            origin = {midX - side / 2, minY};
            break;
        case GADMRAIDClosePosition::TopLeft:
            origin = {minX, minY};
            break;
        case GADMRAIDClosePosition::Center:
            origin = {midX - side / 2, midY - side / 2};
            break;
        case GADMRAIDClosePosition::BottomRight:
            origin = {maxX - side, maxY - side};
            break;
        case GADMRAIDClosePosition::BottomCenter:
            origin = {midX - side / 2, maxY - side};
            break;
        case GADMRAIDClosePosition::BottomLeft:
            origin = {minX, maxY - side};
            break;
    }
    return {origin, {side, side}};
}

unsigned GADMRAIDResizeProperties::autoresizingMaskForClosePosition(std::int64_t position) {
    switch (static_cast<GADMRAIDClosePosition>(position)) {
        case GADMRAIDClosePosition::TopRight:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::TopCenter:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                   AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::TopLeft:
            return AutoresizingFlexibleRightMargin | AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::Center:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                   AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::BottomRight:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleTopMargin;
        case GADMRAIDClosePosition::BottomCenter:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                   AutoresizingFlexibleTopMargin;
        case GADMRAIDClosePosition::BottomLeft:
            return AutoresizingFlexibleRightMargin | AutoresizingFlexibleTopMargin;
    }
    return AutoresizingNone;
}

}  // namespace ads
