#include "ads/web/GADReportBadAd.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/AlertView.h"

namespace ads {
namespace {

using tools::adserver::RequestKind;

class GADReportBadAdTest : public ::testing::Test {
  protected:
    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture server;
};

TEST_F(GADReportBadAdTest, TheDebugTextIsPostedAsJSONToTheReportAddress) {
    GADReportBadAd(std::string("creative \"7\"\nline"));
    ASSERT_TRUE(server.waitOnMainLoop(RequestKind::BadAdReport, 1));
    auto report = server.log().last(RequestKind::BadAdReport);
    EXPECT_EQ(report->method, "POST");
    EXPECT_EQ(report->path, "/s/reportAd");
    EXPECT_EQ(report->body, R"({"debugHeader":"creative \"7\"\nline"})");
    EXPECT_EQ(report->header("Content-Type"), "application/json");
    EXPECT_EQ(report->header("Content-Length"), std::to_string(report->body.size()));

    // The server-tuned address wins; no header is sent as null.
    platform::UserDefaults::standard().setObject(
        settings_keys::kBadAdReportPath, platform::Value(server.origin() + "/s/reportAd?v=2"));
    GADReportBadAd(std::nullopt);
    ASSERT_TRUE(server.waitOnMainLoop(RequestKind::BadAdReport, 2));
    report = server.log().last(RequestKind::BadAdReport);
    EXPECT_EQ(report->param("v"), "2");
    EXPECT_EQ(report->body, R"({"debugHeader":null})");
}

TEST_F(GADReportBadAdTest, TheDebugDialogsReportButtonSendsIt) {
    ads::testing::AdViewTestScope views;
    platform::ui::AlertView::resetAll();
    auto view = GADAdView::create({0, 0, 320, 50});
    view->setAdDebugDialog("creative 42");
    view->handleGesture();
    auto alert = platform::ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    alert->tapButton(2);
    ASSERT_TRUE(server.waitOnMainLoop(RequestKind::BadAdReport, 1));
    EXPECT_EQ(server.log().last(RequestKind::BadAdReport)->body,
              R"({"debugHeader":"creative 42"})");
    view->removeFromSuperview();
}

TEST_F(GADReportBadAdTest, AnAddressThatIsNoURLSendsNothing) {
    platform::UserDefaults::standard().setObject(settings_keys::kBadAdReportPath,
                                                 platform::Value("not a url"));
    GADReportBadAd(std::string("x"));
    // A request that does reach the server afterwards shows that nothing went before it.
    platform::UserDefaults::standard().removeObjectForKey(settings_keys::kBadAdReportPath);
    GADReportBadAd(std::string("y"));
    ASSERT_TRUE(server.waitOnMainLoop(RequestKind::BadAdReport, 1));
    EXPECT_EQ(server.log().count(RequestKind::BadAdReport), 1u);
    EXPECT_EQ(server.log().last(RequestKind::BadAdReport)->body, R"({"debugHeader":"y"})");
}

}  // namespace
}  // namespace ads
