#pragma once

// The platform's own ad banner. There is no ad provider on this system, so the banner never
// loads or shows anything: it is made hidden and, on a later turn of the main loop, tells its
// delegate (the one set by then) that it failed, with "No ad provider on this system.". It
// keeps the rest of what callers set (content sizes, delegate) so their code runs as written.
// Main thread only. The banner holds its delegate weakly.

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/base/Error.h"
#include "platform/ui/View.h"

namespace platform::services {

inline constexpr const char* kSystemAdErrorDomain = "ADErrorDomain";
// The code the platform used when it had no ad to give.
inline constexpr std::int64_t kSystemAdErrorInventoryUnavailable = 3;
inline constexpr const char* kSystemAdBannerContentSizeIdentifierPortrait =
    "ADBannerContentSizeIdentifierPortrait";
inline constexpr const char* kSystemAdBannerContentSizeIdentifierLandscape =
    "ADBannerContentSizeIdentifierLandscape";

enum class SystemAdType : int { Banner = 0, MediumRectangle = 1 };

class SystemAdBannerView;

class SystemAdBannerViewDelegate {
  public:
    virtual ~SystemAdBannerViewDelegate() = default;
    virtual void bannerViewDidLoadAd(SystemAdBannerView&) {}
    virtual void bannerViewDidFailToReceiveAdWithError(SystemAdBannerView&, const Error&) {}
};

class SystemAdBannerView : public ui::View {
  public:
    static std::shared_ptr<SystemAdBannerView> create(SystemAdType type = SystemAdType::Banner);
    const char* className() const override { return "ADBannerView"; }

    SystemAdType adType() const { return type_; }
    std::shared_ptr<SystemAdBannerViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SystemAdBannerViewDelegate> d) { delegate_ = std::move(d); }
    // Never: there is nothing to load.
    bool isBannerLoaded() const { return false; }

    const std::set<std::string>& requiredContentSizeIdentifiers() const { return required_; }
    void setRequiredContentSizeIdentifiers(std::set<std::string> ids) {
        required_ = std::move(ids);
    }
    const std::string& currentContentSizeIdentifier() const { return current_; }
    // The frame takes the size of that content (320 x 50 portrait, 480 x 32 landscape).
    void setCurrentContentSizeIdentifier(std::string id);

    // The one error the banner ever reports.
    static Error noProviderError();

  private:
    struct Private {};

  public:
    SystemAdBannerView(Private, SystemAdType type);

  private:
    void reportFailure();

    SystemAdType type_;
    std::weak_ptr<SystemAdBannerViewDelegate> delegate_;
    std::set<std::string> required_;
    std::string current_;
};

}  // namespace platform::services
