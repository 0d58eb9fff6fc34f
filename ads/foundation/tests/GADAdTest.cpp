#include "ads/foundation/GADAd.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/testsupport/AdsTestScope.h"

namespace ads {
namespace {

platform::Url urlOf(const char* text) {
    return platform::Url::parse(text).value();
}

TEST(GADAdTest, ANewAdScrollsFitsEveryOrientationAndKeepsEachURLOnce) {
    testing::AdsTestScope scope;
    auto ad = GADAd::create();
    EXPECT_EQ(ad->responseType(), GADAdResponseType::Invalid);
    EXPECT_TRUE(ad->scrollEnabled());
    EXPECT_FALSE(ad->fluid());
    EXPECT_EQ(ad->supportedOrientations(), 30u);
    EXPECT_EQ(ad->reloadInterval(), 0);
    EXPECT_TRUE(ad->statistics());
    EXPECT_FALSE(ad->adHTML());
    EXPECT_FALSE(ad->responseHeaders());

    ad->addImpressionURLsFromArray({urlOf("http://a.test/1"), urlOf("http://a.test/2")});
    ad->addImpressionURLsFromArray({urlOf("http://a.test/2"), urlOf("http://a.test/3")});
    ASSERT_EQ(ad->impressionURLs().size(), 3u);
    EXPECT_EQ(ad->impressionURLs()[2].absoluteString(), "http://a.test/3");
    ad->addClickURLsFromArray({urlOf("http://c.test/")});
    ad->addManualImpressionURLsFromArray({urlOf("http://m.test/")});
    ad->removeAllImpressionURLs();
    ad->removeAllManualImpressionURLs();
    EXPECT_TRUE(ad->impressionURLs().empty());
    EXPECT_TRUE(ad->manualImpressionURLs().empty());
    // Clicks ping again on every click, so their set stays.
    EXPECT_EQ(ad->clickURLs().size(), 1u);
}

}  // namespace
}  // namespace ads
