#include "online/DuRezSupport.h"

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "online/AnnounceAppCore.h"
#include "online/AnnounceManager.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "util/LogMessage.h"
#include "util/SystemVersion.h"

namespace online {

namespace {

AnnounceManager& settings() {
    return AnnounceManager::sharedAnnounceManager();
}

}  // namespace

std::shared_ptr<DuRezSupport> DuRezSupport::create() {
    return std::make_shared<DuRezSupport>(Private{});
}

DuRezSupport::DuRezSupport(Private)
    : duRezFactory_([] { return ads::GADBannerView::create(ads::kGADAdSizeBanner); }),
      iAdFactory_([] {
          return platform::services::SystemAdBannerView::create(
              platform::services::SystemAdType::Banner);
      }) {}

DuRezSupport::~DuRezSupport() {
    if (duRezAd_) duRezAd_->setDelegate({});
    if (iAdView_) iAdView_->setDelegate({});
}

int DuRezSupport::amPropDuRezEnable() const {
    return settings().amPropertyAsIntForKey("durezEnable", 0);
}

std::shared_ptr<AnnounceAppCore> DuRezSupport::appCore() const {
    return settings().appCore();
}

bool DuRezSupport::canShowIAd() const {
    // Negative values read as huge unsigned ones, so they ask for the platform's banner too.
    return static_cast<unsigned>(amPropDuRezEnable()) >= 2 && util::SystemSupportsOS4() && useIAd_;
}

bool DuRezSupport::canShowDuRez() const {
    return (amPropDuRezEnable() & ~2) == 1 && duRezPublisherId_.has_value();
}

void DuRezSupport::showInViewController(
    const std::shared_ptr<platform::ui::ViewController>& viewController,
    const std::shared_ptr<platform::ui::View>& contentView) {
    close();
    visible_ = true;
    ownerViewController_ = viewController;
    contentView_ = contentView;

    const double now = platform::Clock::wallSeconds();
    const double interval = settings().amPropertyAsIntForKey(
        "durezRefreshInterval", static_cast<int32_t>(kDefaultRefreshInterval));
    if (adType_ != AdType::None && prevReceiveAdTime_ <= now &&
        now < prevReceiveAdTime_ + interval) {
        showSub();
        return;
    }
    util::LogMessage("-[DuRezSupport showInViewController:contentView:]", 1, "Ad:refresh");
    adType_ = AdType::None;
    refreshIAdIfPossible();
    if (adType_ == AdType::None) refreshDuRezIfPossible();
    showSub();
}

void DuRezSupport::refreshIAdIfPossible() {
    if (useDuRezOnNextTurn_) {
        useDuRezOnNextTurn_ = false;
        if (canShowDuRez()) return;
    }
    if (!canShowIAd()) return;
    adType_ = AdType::IAd;
    if (iAdView_ && iAdReady_) return;

    util::LogMessage("-[DuRezSupport refreshIAdIfPossible]", 1, "iAd:create");
    iAdReady_ = false;
    disposeIAdView();
    iAdView_ = iAdFactory_ ? iAdFactory_() : nullptr;
    if (!iAdView_) {
        // Nothing to wait for: our own banner may take the turn.
        adType_ = AdType::None;
        return;
    }
    auto core = appCore();
    const char* size = core && core->landscape()
                           ? platform::services::kSystemAdBannerContentSizeIdentifierLandscape
                           : platform::services::kSystemAdBannerContentSizeIdentifierPortrait;
    iAdView_->setRequiredContentSizeIdentifiers({size});
    iAdView_->setCurrentContentSizeIdentifier(size);
    iAdView_->setHidden(true);
    iAdView_->setDelegate(weak_from_this());
    iAdPending_ = true;
}

void DuRezSupport::refreshDuRezIfPossible() {
    if (!canShowDuRez()) return;
    adType_ = AdType::DuRez;
    util::LogMessage("-[DuRezSupport refreshDuRezIfPossible]", 1, "DuRez:create");
    durezReady_ = false;
    disposeDuRezAd();
    // Without a banner (the ads library logged why) this kind simply shows nothing.
    duRezAd_ = duRezFactory_ ? duRezFactory_() : nullptr;
    if (!duRezAd_) return;
    const platform::Size size = duRezAd_->bounds().size;
    duRezAd_->setCenter({size.width / 2, size.height / 2});
    duRezAd_->setAdUnitID(
        settings().amPropertyAsStringForKey("durezBannerAdPublisherId", *duRezPublisherId_));
    duRezAd_->setRootViewController(ownerViewController_.lock());
    duRezAd_->setDelegate(weak_from_this());
    duRezAd_->loadRequest(ads::GADRequest::request());
}

void DuRezSupport::showSub() {
    switch (adType_) {
        case AdType::DuRez:
            if (durezReady_ && duRezAd_ && contentView_) contentView_->addSubview(duRezAd_);
            break;
        case AdType::IAd:
            if (iAdView_) {
                iAdView_->setHidden(!iAdReady_);
                if (auto owner = ownerViewController_.lock()) owner->view()->addSubview(iAdView_);
            }
            break;
        case AdType::None:
            break;
    }
}

void DuRezSupport::close() {
    visible_ = false;
    switch (adType_) {
        case AdType::DuRez:
            util::LogMessage("-[DuRezSupport close]", 1, "DuRez:close");
            if (duRezAd_) duRezAd_->removeFromSuperview();
            break;
        case AdType::IAd:
            util::LogMessage("-[DuRezSupport close]", 1, "iAd:close");
            if (iAdView_) iAdView_->removeFromSuperview();
            // A platform banner that has not answered yet keeps listening while hidden: its
            // failure then gives our own banner the next turn. Dropping it here would make
            // that fallback unreachable, since the answer always comes on a later turn.
            if (iAdPending_) break;
            disposeIAdView();
            adType_ = AdType::None;
            iAdReady_ = false;
            break;
        case AdType::None:
            break;
    }
}

void DuRezSupport::disposeDuRezAd() {
    if (!duRezAd_) return;
    duRezAd_->setDelegate({});
    // A banner we let go must not stay behind in a view as a dead ad.
    duRezAd_->removeFromSuperview();
    duRezAd_.reset();
}

void DuRezSupport::disposeIAdView() {
    iAdPending_ = false;
    if (!iAdView_) return;
    iAdView_->setDelegate({});
    iAdView_->removeFromSuperview();
    // Called from the banner's own failure report: it goes on the next turn, not inside it.
    platform::MainLoop::main().post([banner = std::move(iAdView_)] {});
    iAdView_.reset();
}

void DuRezSupport::adViewDidReceiveAd(ads::GADBannerView& view) {
    if (&view != duRezAd_.get()) return;
    util::LogMessage("-[DuRezSupport adViewDidReceiveAd:]", 1, "DuRez:Did receive ad");
    durezReady_ = true;
    if (adType_ != AdType::DuRez) return;
    prevReceiveAdTime_ = platform::Clock::wallSeconds();
    duRezAd_->removeFromSuperview();
    if (contentView_) contentView_->addSubview(duRezAd_);
}

void DuRezSupport::adViewDidFailToReceiveAdWithError(ads::GADBannerView& view,
                                                     const platform::Error& error) {
    if (&view != duRezAd_.get()) return;
    util::LogMessage("-[DuRezSupport adView:didFailToReceiveAdWithError:]", 1,
                     "DuRez:Did fail to receive ad. " + error.localizedDescription());
    durezReady_ = false;
    if (adType_ == AdType::DuRez) close();
}

void DuRezSupport::bannerViewDidLoadAd(platform::services::SystemAdBannerView& view) {
    if (&view != iAdView_.get()) return;
    util::LogMessage("-[DuRezSupport bannerViewDidLoadAd:]", 2, "iAd:bannerViewDidLoadAd");
    iAdPending_ = false;
    iAdReady_ = true;
    if (adType_ != AdType::IAd) return;
    prevReceiveAdTime_ = platform::Clock::wallSeconds();
    iAdView_->setHidden(false);
    useDuRezOnNextTurn_ = false;
}

void DuRezSupport::bannerViewDidFailToReceiveAdWithError(
    platform::services::SystemAdBannerView& view, const platform::Error& error) {
    if (&view != iAdView_.get()) return;
    util::LogMessage("-[DuRezSupport bannerView:didFailToReceiveAdWithError:]", 2,
                     "iAd:bannerView:didFailToReceiveAdWithError: " + error.localizedDescription());
    iAdPending_ = false;
    iAdReady_ = false;
    if (adType_ != AdType::IAd) return;
    const bool wasVisible = visible_;
    close();
    if (wasVisible) {
        visible_ = true;
        refreshDuRezIfPossible();
        showSub();
    } else {
        useDuRezOnNextTurn_ = true;
    }
}

}  // namespace online
