#pragma once

// Tells whether an ad view shows anything but its own background colour: one look at the page
// (its web view's snapshot, placed in a picture of the ad view's frame size at one pixel per
// point, transparent where the page does not reach), and the share of pixels that equal the
// background. Below 90 % the ad has drawn something. Ads whose ad network draws them with a
// script run it every 0.2 s until it succeeds.
//
// A look never waits for the page: the picture is asked for and judged when it comes, one look
// in flight at a time, and each call still gives exactly one verdict (GADRenderedLooks: a
// picture that has not come by the next call counts as nothing seen, one that comes late is
// judged at the next call).
//
// Comparing colours: the picture is premultiplied bytes, so the background colour is turned
// into the same premultiplied bytes (alpha rounded to a byte first, then the colour scaled by
// it) before the pixels are compared; a translucent background is recognised like any other.
//
// Main thread only. The ad view and the delegate are held weakly; with either gone a check
// does nothing, and a new ad view or delegate starts the looks afresh. A verdict reaches the
// delegate during the call or, for a picture that comes in time, on the main-loop turn that
// brings it; the delegate may let go of the checker or the ad view meanwhile. A picture that
// comes after the checker is gone is dropped. Make it with std::make_shared: the pictures
// find it through a weak reference.

#include <cstdint>
#include <memory>
#include <optional>

#include "ads/slot/GADRenderedLooks.h"
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

class GADAdViewRenderedChecker : public std::enable_shared_from_this<GADAdViewRenderedChecker> {
  public:
    // Shares of the background at or above this mean nothing was drawn.
    static constexpr double kRenderedThreshold = 0.9;

    GADAdViewRenderedChecker() = default;
    GADAdViewRenderedChecker(const GADAdViewRenderedChecker&) = delete;
    GADAdViewRenderedChecker& operator=(const GADAdViewRenderedChecker&) = delete;

    std::shared_ptr<GADAdView> adView() const { return adView_.lock(); }
    void setAdView(std::weak_ptr<GADAdView> adView);
    std::shared_ptr<GADAdViewRenderedCheckerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADAdViewRenderedCheckerDelegate> delegate);

    // One tick of the check: one verdict to the delegate, now or when the picture comes (see
    // above). A view of no size, or a page that gives no picture, counts as not rendered.
    void checkIsContentRenderedInAdView();
    // A look is waiting for its picture.
    bool isLookInFlight() const { return looks_.isLookInFlight(); }

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
    void look(std::uint64_t look, GADAdView& adView, GADAdViewRenderedCheckerDelegate& delegate);
    void pictureArrived(std::uint64_t look, std::optional<platform::web::WebSnapshot> picture);
    void judge(const std::optional<platform::web::WebSnapshot>& picture, GADAdView& adView,
               GADAdViewRenderedCheckerDelegate& delegate);
    // Still looking at this view for this delegate after a verdict they heard.
    bool stillChecks(const GADAdView& adView,
                     const GADAdViewRenderedCheckerDelegate& delegate) const;

    std::weak_ptr<GADAdView> adView_;
    std::weak_ptr<GADAdViewRenderedCheckerDelegate> delegate_;
    GADRenderedLooks looks_;
};

}  // namespace ads
