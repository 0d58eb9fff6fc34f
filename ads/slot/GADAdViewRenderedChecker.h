#pragma once

// Tells whether an ad view shows anything but its own background colour: one look at the page
// (its web view's snapshot, placed in a picture of the ad view's frame size at one pixel per
// point, transparent where the page does not reach), and the share of pixels that equal the
// background. Below 90 % the ad has drawn something. Ads whose ad network draws them with a
// script run it every 0.2 s until it succeeds.
//
// Comparing colours: the picture is premultiplied bytes, so the background colour is turned
// into the same premultiplied bytes (alpha rounded to a byte first, then the colour scaled by
// it) before the pixels are compared; a translucent background is recognised like any other.
//
// Main thread only. The ad view and the delegate are held weakly; with either gone a check
// does nothing. The verdict reaches the delegate before the check returns, and the delegate
// may let go of the checker or the ad view meanwhile.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/base/Color.h"
#include "platform/gfx/Image.h"
#include "platform/web/WebViewTypes.h"

namespace ads {

class GADAdView;

class GADAdViewRenderedCheckerDelegate {
  public:
    virtual ~GADAdViewRenderedCheckerDelegate() = default;
    virtual void adViewDidRenderContent(GADAdView& adView) = 0;
    virtual void adViewDidFailToRenderContent(GADAdView& adView) = 0;
};

class GADAdViewRenderedChecker {
  public:
    // Shares of the background at or above this mean nothing was drawn.
    static constexpr double kRenderedThreshold = 0.9;

    GADAdViewRenderedChecker() = default;
    GADAdViewRenderedChecker(const GADAdViewRenderedChecker&) = delete;
    GADAdViewRenderedChecker& operator=(const GADAdViewRenderedChecker&) = delete;

    std::shared_ptr<GADAdView> adView() const { return adView_.lock(); }
    void setAdView(std::weak_ptr<GADAdView> adView) { adView_ = std::move(adView); }
    std::shared_ptr<GADAdViewRenderedCheckerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADAdViewRenderedCheckerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // One look; the verdict goes to the delegate. A view of no size, or a page that gives no
    // picture, counts as not rendered.
    void checkIsContentRenderedInAdView();

    // The share of the picture's pixels that equal the colour (premultiplied bytes, see above);
    // 0 without a colour, NaN for a picture without pixels. A picture that says it is not
    // premultiplied is compared with the colour's straight bytes.
    static double percentOfImage(const platform::gfx::Image& image,
                                 const std::optional<platform::Color>& color);
    // The same for a page's snapshot placed in a width x height picture (pixels beyond the
    // snapshot are transparent), without making that picture.
    static double percentOfSnapshot(const platform::web::WebSnapshot& snapshot, int width,
                                    int height, const std::optional<platform::Color>& color);

    // The colour as the picture's premultiplied RGBA bytes, packed 0xRRGGBBAA.
    static std::uint32_t premultipliedBytes(const platform::Color& color);

  private:
    std::weak_ptr<GADAdView> adView_;
    std::weak_ptr<GADAdViewRenderedCheckerDelegate> delegate_;
};

}  // namespace ads
