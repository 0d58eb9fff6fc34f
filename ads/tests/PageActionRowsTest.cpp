// Every action a page's handlers take, on every kind of page the program makes with the rooms
// loaded as ads::load() loads them, has its row of floods (PageActionRows.h): an action that
// joins a handler without a row, and so without a bound shown, fails here.

#include "ads/tests/PageActionRows.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ads/Ads.h"
#include "ads/fullscreen/GADAdAppAdViewDelegate.h"
#include "ads/fullscreen/GADInterstitialViewController.h"
#include "ads/fullscreen/GADOpenerGMSGHandler.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/native/GADOverlayView.h"
#include "ads/slot/GADBannerAdViewDelegate.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADMRAIDGMSGHandler.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADActiveViewGMSGHandler.h"
#include "ads/web/GADAdViewDelegate.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "ads/web/GADSDKCorePageHandlers.h"

namespace ads {
namespace {

using testing::pageActionRows;

bool hasRow(const std::string& action, const char* command = nullptr) {
    for (const auto& row : pageActionRows()) {
        if (row.action != action) continue;
        if (!command || (row.command && row.command == std::string(command))) return true;
    }
    return false;
}

std::set<std::string> actionsOf(const std::vector<std::shared_ptr<GADGMSGHandler>>& handlers) {
    std::set<std::string> actions;
    for (const auto& handler : handlers) {
        if (const auto* table = handler->actionBlockDictionary()) {
            for (const auto& [name, block] : *table) actions.insert(name);
        }
    }
    return actions;
}

TEST(PageActionRowsTest, EveryActionOfEveryPagesHandlersHasARow) {
    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    load();
    auto interstitial = GADInterstitial::create("ca-movu-rows");
    const std::shared_ptr<GADSlot>& slot = interstitial->slot();
    ASSERT_TRUE(slot);

    // The slot's own page (a banner's, an interstitial's), a page shown by an ad's screen,
    // and the SDK core's page with the core's own handlers.
    auto banner = GADBannerAdViewDelegate::create(slot);
    auto screen = GADInterstitialViewController::create(slot);
    ASSERT_TRUE(screen);
    auto adApp = GADAdAppAdViewDelegate::create(screen);
    auto core = GADAdViewDelegate::create(nullptr, GADSDKCorePageHandlers().leadingHandlers({}));
    const std::vector<std::shared_ptr<GADGMSGHandler>> coreOwn{GADSDKCoreGMSGHandler::create(),
                                                               GADActiveViewGMSGHandler::create()};

    std::set<std::string> actions;
    for (const auto& handlers :
         {banner->gmsgHandlers(), adApp->gmsgHandlers(), core->gmsgHandlers(), coreOwn}) {
        const auto more = actionsOf(handlers);
        actions.insert(more.begin(), more.end());
    }
    // What the lists hold: the opener's, the defaults, MRAID, video, precaching, the timing
    // reports, app events, the ad app's, swipe, the page-load delay and the core's own.
    EXPECT_GE(actions.size(), 28u);
    for (const auto& action : actions) EXPECT_TRUE(hasRow(action)) << action;

    for (const auto& command : GADMRAIDGMSGHandler::commandNames())
        EXPECT_TRUE(hasRow("mraid", command.c_str())) << command;
    for (const auto& command : GADCSIGMSGHandler::subActionNames())
        EXPECT_TRUE(hasRow("instrument", command.c_str())) << command;
    for (const auto& command : GADOpenerGMSGHandler::openCommandNames())
        EXPECT_TRUE(hasRow("open", command.c_str())) << command;
    // Messages no handler takes reach their listeners as notifications.
    for (const char* heard :
         {kGADNativeAdPreProcessMessage, GADOverlayView::kLoadHtmlMessage,
          GADOverlayView::kShowOverlayMessage, GADOverlayView::kHideOverlayMessage,
          GADOverlayView::kSendMessageToNativeJsMessage}) {
        EXPECT_TRUE(hasRow(heard)) << heard;
    }
}

// Each row's flood names its action and command as a page would send them.
TEST(PageActionRowsTest, EveryRowIsAMessageOfItsActionAndCommand) {
    std::set<std::string> names;
    for (const auto& row : pageActionRows()) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(names.insert(row.name).second);
        const char* parameter = testing::commandParameter(row.action);
        EXPECT_EQ(row.command != nullptr, parameter != nullptr && row.query != nullptr);
        if (row.command && row.query) {
            const std::string query = row.query;
            const std::string named = std::string(parameter) + "=" + row.command;
            EXPECT_TRUE(query.find(named) != std::string::npos ||
                        std::string(row.command) == "other")
                << query;
        }
    }
}

}  // namespace
}  // namespace ads
