#include "platform/services/SystemAdBannerView.h"

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"

namespace platform::services {
namespace {

class Recorder : public SystemAdBannerViewDelegate {
  public:
    void bannerViewDidLoadAd(SystemAdBannerView&) override { ++loads; }
    void bannerViewDidFailToReceiveAdWithError(SystemAdBannerView& banner,
                                               const Error& error) override {
        failures.push_back(error.localizedDescription());
        lastBanner = &banner;
    }
    int loads = 0;
    std::vector<std::string> failures;
    SystemAdBannerView* lastBanner = nullptr;
};

TEST(SystemAdBannerViewTest, FailsOnceOnALaterTurnAndNeverShowsAnything) {
    MainLoopTestScope loop;
    auto delegate = std::make_shared<Recorder>();
    auto banner = SystemAdBannerView::create();
    EXPECT_TRUE(banner->isHidden());
    EXPECT_EQ(banner->frame().size, (Size{320, 50}));
    // Set up as a caller does, in the same turn.
    banner->setRequiredContentSizeIdentifiers({kSystemAdBannerContentSizeIdentifierLandscape});
    banner->setCurrentContentSizeIdentifier(kSystemAdBannerContentSizeIdentifierLandscape);
    EXPECT_EQ(banner->frame().size, (Size{480, 32}));
    banner->setDelegate(delegate);
    EXPECT_TRUE(delegate->failures.empty());

    loop.runUntilIdle();
    EXPECT_EQ(delegate->failures, (std::vector<std::string>{"No ad provider on this system."}));
    EXPECT_EQ(delegate->lastBanner, banner.get());
    loop.advance(600);
    EXPECT_EQ(delegate->failures.size(), 1u);
    EXPECT_EQ(delegate->loads, 0);
    EXPECT_FALSE(banner->isBannerLoaded());
    EXPECT_TRUE(banner->isHidden());

    // One released before its turn tells no one; a delegate that is gone hears nothing.
    auto dropped = SystemAdBannerView::create();
    dropped->setDelegate(delegate);
    dropped.reset();
    auto orphan = SystemAdBannerView::create();
    {
        auto shortLived = std::make_shared<Recorder>();
        orphan->setDelegate(shortLived);
    }
    loop.runUntilIdle();
    EXPECT_EQ(delegate->failures.size(), 1u);
}

}  // namespace
}  // namespace platform::services
