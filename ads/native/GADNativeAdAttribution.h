#pragma once

// A native ad's attribution badge: a short text in a system font and colours, and a row of
// icons the badge cycles through. Attribution object (every key optional):
//   "text"             the badge text
//   "animation_ms"     icon animation, ms (1 s; below 50 ms the default)
//   "presentation_ms"  how long each icon shows, ms (4 s; below 50 ms the default)
//   "images"           image objects (GADNativeAdImage), all of them; else "image", one
//   "text_size"        points, 1 to 72 (else 12)
//   "text_color"       colour object (default 12, 174, 206 of 255)
//   "bg_color"         colour object (default grey 0.8)
// Colour object: "r", "g", "b" 0-255 and "a" 0-1 (1), each clamped; without any of r, g, b
// the default is used.
//
// Loading the icons calls every handler given (a later call joins the one under way), in
// order, once, on the main thread: with nothing when every icon loaded (then icons() holds
// them in the order they finished), with the first failed icon's error otherwise.
//
// Main thread only. Made with create().

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Color.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/ui/TextStyle.h"

namespace ads {

class GADNativeAdImage;

class GADNativeAdAttribution : public std::enable_shared_from_this<GADNativeAdAttribution> {
    struct Private {};

  public:
    using CompletionHandler = std::function<void(const std::optional<platform::Error>&)>;

    static constexpr double kDefaultAnimationSeconds = 1.0;
    static constexpr double kDefaultPresentationSeconds = 4.0;
    static constexpr double kMinimumSeconds = 0.05;
    static constexpr double kDefaultTextSize = 12.0;
    static constexpr platform::Color kDefaultTextColor{12.0f / 255, 174.0f / 255, 206.0f / 255, 1};
    static constexpr platform::Color kDefaultBackgroundColor{0.8f, 0.8f, 0.8f, 1};

    // Never fails: nothing (or no object) gives the defaults and no icons.
    static std::shared_ptr<GADNativeAdAttribution> create(const platform::Value* dictionary);
    explicit GADNativeAdAttribution(Private) {}

    const std::vector<std::shared_ptr<GADNativeAdImage>>& icons() const { return icons_; }
    // The icons the object names, loaded or not.
    const std::vector<std::shared_ptr<GADNativeAdImage>>& loadingImages() const {
        return loadingImages_;
    }
    double iconPresentationDuration() const { return iconPresentationDuration_; }
    double iconAnimationDuration() const { return iconAnimationDuration_; }
    const std::optional<std::string>& text() const { return text_; }
    const platform::ui::Font& font() const { return font_; }
    const platform::Color& textColor() const { return textColor_; }
    const platform::Color& backgroundColor() const { return backgroundColor_; }

    void loadAssetsWithCompletionHandler(CompletionHandler handler);

  private:
    void finishedLoadingNativeAdImage(const std::shared_ptr<GADNativeAdImage>& image);
    void failedLoadingNativeAdImageWithError(const platform::Error& error);
    void callHandlers(const std::optional<platform::Error>& error);

    std::vector<std::shared_ptr<GADNativeAdImage>> loadingImages_;
    std::vector<std::shared_ptr<GADNativeAdImage>> availableImages_;
    std::vector<CompletionHandler> assetCompletionHandlers_;
    std::vector<std::shared_ptr<GADNativeAdImage>> icons_;
    double iconPresentationDuration_ = kDefaultPresentationSeconds;
    double iconAnimationDuration_ = kDefaultAnimationSeconds;
    std::optional<std::string> text_;
    platform::ui::Font font_{kDefaultTextSize, false};
    platform::Color textColor_ = kDefaultTextColor;
    platform::Color backgroundColor_ = kDefaultBackgroundColor;
};

}  // namespace ads
