#include "ads/slot/GADAdViewRenderedChecker.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "ads/web/GADAdView.h"
#include "platform/web/WebView.h"

namespace ads {

namespace {

std::uint8_t toByte(double unit) {
    if (!(unit > 0)) return 0;
    if (unit >= 1) return 255;
    return static_cast<std::uint8_t>(std::lround(unit * 255.0));
}

std::uint32_t straightBytes(const platform::Color& c) {
    return std::uint32_t(toByte(c.r)) << 24 | std::uint32_t(toByte(c.g)) << 16 |
           std::uint32_t(toByte(c.b)) << 8 | toByte(c.a);
}

// Pixels of `rows` rows of `width` RGBA pixels (`stride` bytes apart) equal to `wanted`.
std::uint64_t countEqualPixels(const std::uint8_t* data, int width, int rows, std::size_t stride,
                               std::uint32_t wanted) {
    const std::uint8_t want[4] = {std::uint8_t(wanted >> 24), std::uint8_t(wanted >> 16),
                                  std::uint8_t(wanted >> 8), std::uint8_t(wanted)};
    std::uint32_t wantWord;
    std::memcpy(&wantWord, want, 4);
    std::uint64_t count = 0;
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* p = data + y * stride;
        for (int x = 0; x < width; ++x, p += 4) {
            std::uint32_t word;
            std::memcpy(&word, p, 4);
            count += word == wantWord;
        }
    }
    return count;
}

// The number of pixels a picture of `points` gets at one pixel per point; 0 for nothing
// drawable. Capped at the largest page a web view takes, so an absurd frame cannot overflow.
int pixelsFor(double points) {
    if (!(points > 0)) return 0;
    return static_cast<int>(std::ceil(std::min(points, platform::web::WebView::kMaxContentExtent)));
}

}  // namespace

std::uint32_t GADAdViewRenderedChecker::premultipliedBytes(const platform::Color& color) {
    // Alpha becomes a byte first: the page's pixels were scaled by that byte, not by the
    // colour's exact alpha.
    const std::uint8_t alpha = toByte(color.a);
    auto channel = [alpha](float c) -> std::uint32_t {
        const double unit = std::isfinite(c) ? std::clamp(double(c), 0.0, 1.0) : 0.0;
        return static_cast<std::uint32_t>(std::lround(unit * alpha));
    };
    return channel(color.r) << 24 | channel(color.g) << 16 | channel(color.b) << 8 | alpha;
}

double GADAdViewRenderedChecker::percentOfImage(const platform::gfx::Image& image,
                                                const std::optional<platform::Color>& color) {
    if (!color) return 0;
    const std::uint64_t total =
        std::uint64_t(std::max(0, image.width())) * std::uint64_t(std::max(0, image.height()));
    if (total == 0 || image.rgba().size() < total * 4) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const std::uint32_t wanted =
        image.isPremultiplied() ? premultipliedBytes(*color) : straightBytes(*color);
    const std::uint64_t equal = countEqualPixels(image.rgba().data(), image.width(), image.height(),
                                                 std::size_t(image.width()) * 4, wanted);
    return double(equal) / double(total);
}

double GADAdViewRenderedChecker::percentOfSnapshot(const platform::web::WebSnapshot& snapshot,
                                                   int width, int height,
                                                   const std::optional<platform::Color>& color) {
    if (!color) return 0;
    if (width <= 0 || height <= 0) return std::numeric_limits<double>::quiet_NaN();
    const std::uint32_t wanted = premultipliedBytes(*color);
    // The part of the picture the snapshot covers (a snapshot whose bytes fall short of its
    // size is not trusted beyond them).
    int coveredWidth = 0, coveredHeight = 0;
    if (!snapshot.empty()) {
        coveredWidth = std::min(width, snapshot.width);
        const std::size_t stride = std::size_t(snapshot.width) * 4;
        const int wholeRows = static_cast<int>(snapshot.rgba.size() / stride);
        coveredHeight = std::min({height, snapshot.height, wholeRows});
    }
    std::uint64_t equal = 0;
    if (coveredWidth > 0 && coveredHeight > 0) {
        equal = countEqualPixels(snapshot.rgba.data(), coveredWidth, coveredHeight,
                                 std::size_t(snapshot.width) * 4, wanted);
    }
    const std::uint64_t total = std::uint64_t(width) * std::uint64_t(height);
    // Everything else is transparent.
    if (wanted == 0) {
        equal += total - std::uint64_t(coveredWidth) * std::uint64_t(coveredHeight);
    }
    return double(equal) / double(total);
}

void GADAdViewRenderedChecker::setAdView(std::weak_ptr<GADAdView> adView) {
    adView_ = std::move(adView);
    looks_.reset();
}

void GADAdViewRenderedChecker::setDelegate(
    std::weak_ptr<GADAdViewRenderedCheckerDelegate> delegate) {
    delegate_ = std::move(delegate);
    looks_.reset();
}

bool GADAdViewRenderedChecker::stillChecks(const GADAdView& adView,
                                           const GADAdViewRenderedCheckerDelegate& delegate) const {
    return adView_.lock().get() == &adView && delegate_.lock().get() == &delegate;
}

void GADAdViewRenderedChecker::checkIsContentRenderedInAdView() {
    auto adView = adView_.lock();
    auto delegate = delegate_.lock();
    if (!adView || !delegate) return;
    auto tick = looks_.tick();
    if (tick.previousUnseen) {
        delegate->adViewDidFailToRenderContent(*adView);
        if (!stillChecks(*adView, *delegate)) return;
    }
    switch (tick.then) {
        case GADRenderedLooks::Tick::Then::Look:
            return look(tick.look, *adView, *delegate);
        case GADRenderedLooks::Tick::Then::JudgeHeld:
            return judge(tick.held, *adView, *delegate);
        case GADRenderedLooks::Tick::Then::Unseen:
            return delegate->adViewDidFailToRenderContent(*adView);
    }
}

void GADAdViewRenderedChecker::look(std::uint64_t look, GADAdView& adView,
                                    GADAdViewRenderedCheckerDelegate& delegate) {
    const platform::Size size = adView.frame().size;
    std::optional<platform::web::WebSnapshot> none;
    // Nothing to picture: the verdict is known at once.
    if (pixelsFor(size.width) <= 0 || pixelsFor(size.height) <= 0 || !adView.webView()) {
        if (looks_.arrived(look, none)) judge(none, adView, delegate);
        return;
    }
    adView.webView()->takeSnapshot(
        [weak = weak_from_this(), look](std::optional<platform::web::WebSnapshot> picture) {
            if (auto self = weak.lock()) self->pictureArrived(look, std::move(picture));
        });
}

void GADAdViewRenderedChecker::pictureArrived(std::uint64_t look,
                                              std::optional<platform::web::WebSnapshot> picture) {
    auto adView = adView_.lock();
    auto delegate = delegate_.lock();
    if (!adView || !delegate) return;
    if (looks_.arrived(look, picture)) judge(picture, *adView, *delegate);
}

void GADAdViewRenderedChecker::judge(const std::optional<platform::web::WebSnapshot>& picture,
                                     GADAdView& adView,
                                     GADAdViewRenderedCheckerDelegate& delegate) {
    // Measured against the frame the view has now, which the page's picture is placed in.
    const platform::Size size = adView.frame().size;
    const int width = pixelsFor(size.width);
    const int height = pixelsFor(size.height);
    double share = std::numeric_limits<double>::quiet_NaN();
    // No picture (no display, a page that could not be pictured) tells nothing: the view is not
    // known to show anything, so it is reported as not rendered.
    if (width > 0 && height > 0 && picture) {
        share = percentOfSnapshot(*picture, width, height, adView.backgroundColor());
    }
    if (share < kRenderedThreshold) {
        delegate.adViewDidRenderContent(adView);
    } else {
        delegate.adViewDidFailToRenderContent(adView);
    }
}

}  // namespace ads
