#pragma once

// An ad the publisher renders itself: its HTML and the root of its base URL (scheme, host and
// port, path "/"). The publisher shows the HTML in a view of its own and reports back through
// it: recordImpression, recordClick and finishedRenderingAdView, which reach its delegate (the
// publisher's banner or interstitial, ZORCustomRenderedAdDelegate).
//
// One made by the SDK is bound to its ad and acts only while that ad is its slot's: the end of
// rendering counts once, while the slot renders it; the impression once; every click. Once a
// newer ad has started, or the banner or interstitial is gone, its calls do nothing. One the
// publisher makes itself belongs to no ad and acts on nothing.
//
// Main thread only. The delegate is held weakly; the publisher keeps the ad as long as it
// likes.

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Url.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADAd;
class ZORCustomRenderedAd;
class ZORPublisherHooks;

// Adopted by the publisher's banner and interstitial. Each call names the ad it comes from.
class ZORCustomRenderedAdDelegate {
  public:
    virtual ~ZORCustomRenderedAdDelegate() = default;
    virtual void recordClick(ZORCustomRenderedAd& ad) = 0;
    virtual void recordCustomAdImpression(ZORCustomRenderedAd& ad) = 0;
    virtual void finishedRenderingAdView(ZORCustomRenderedAd& ad, platform::ui::View* view) = 0;
};

class ZORCustomRenderedAd {
    struct Private {};

  public:
    static std::shared_ptr<ZORCustomRenderedAd> create(std::string adHTML,
                                                       std::optional<platform::Url> adBaseURL);
    ZORCustomRenderedAd(Private, std::string adHTML, std::optional<platform::Url> adBaseURL);
    ZORCustomRenderedAd(const ZORCustomRenderedAd&) = delete;
    ZORCustomRenderedAd& operator=(const ZORCustomRenderedAd&) = delete;

    const std::string& adHTML() const { return adHTML_; }
    const std::optional<platform::Url>& adBaseURL() const { return adBaseURL_; }
    std::shared_ptr<ZORCustomRenderedAdDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZORCustomRenderedAdDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    void recordClick();
    void recordImpression();
    // The view is the publisher's; nothing reads it.
    void finishedRenderingAdView(platform::ui::View* view);

  private:
    // The publisher formats bind the ad and keep its once-only counts.
    friend class ZORPublisherHooks;

    const std::string adHTML_;
    const std::optional<platform::Url> adBaseURL_;
    std::weak_ptr<ZORCustomRenderedAdDelegate> delegate_;
    std::weak_ptr<const GADAd> ad_;
    bool impressionRecorded_ = false;
    bool finishedRendering_ = false;
};

}  // namespace ads
