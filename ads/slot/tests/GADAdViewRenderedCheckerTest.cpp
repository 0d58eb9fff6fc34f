#include "ads/slot/GADAdViewRenderedChecker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/web/FakeWebPage.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::Color;
using platform::Rect;
using platform::web::WebSnapshot;

class RecordingCheckerDelegate : public GADAdViewRenderedCheckerDelegate {
  public:
    void adViewDidRenderContent(GADAdView&) override { verdicts.push_back("rendered"); }
    void adViewDidFailToRenderContent(GADAdView&) override { verdicts.push_back("blank"); }
    std::vector<std::string> verdicts;
};

// A snapshot filled with one premultiplied pixel value, with `others` pixels (from the top
// left) of another.
WebSnapshot filled(int w, int h, std::uint32_t rgba, int others = 0,
                   std::uint32_t other = 0x00ff00ff) {
    WebSnapshot shot{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4)};
    for (int i = 0; i < w * h; ++i) {
        const std::uint32_t v = i < others ? other : rgba;
        shot.rgba[i * 4] = v >> 24;
        shot.rgba[i * 4 + 1] = v >> 16;
        shot.rgba[i * 4 + 2] = v >> 8;
        shot.rgba[i * 4 + 3] = v;
    }
    return shot;
}

class GADAdViewRenderedCheckerTest : public ::testing::Test {
  protected:
    GADAdViewRenderedCheckerTest() {
        checker->setAdView(adView);
        checker->setDelegate(delegate);
    }

    // One tick and the turns that bring its picture: the verdicts heard meanwhile.
    std::string check() {
        delegate->verdicts.clear();
        checker->checkIsContentRenderedInAdView();
        scope.runUntilIdle();
        std::string heard;
        for (const auto& verdict : delegate->verdicts)
            heard += (heard.empty() ? "" : ",") + verdict;
        return heard.empty() ? "none" : heard;
    }
    std::shared_ptr<platform::web::FakeWebPage> page() { return views.web().lastPage(); }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<GADAdView> adView = GADAdView::create(Rect(0, 0, 10, 10));
    std::shared_ptr<RecordingCheckerDelegate> delegate =
        std::make_shared<RecordingCheckerDelegate>();
    std::shared_ptr<GADAdViewRenderedChecker> checker =
        std::make_shared<GADAdViewRenderedChecker>();
};

TEST_F(GADAdViewRenderedCheckerTest, NinetyPercentBackgroundOrMoreIsNotRendered) {
    adView->setBackgroundColor(Color::whiteColor());
    page()->setSnapshot(filled(10, 10, 0xffffffff, 10));
    EXPECT_EQ(check(), "blank");
    page()->setSnapshot(filled(10, 10, 0xffffffff, 11));
    EXPECT_EQ(check(), "rendered");
    page()->setSnapshot(filled(10, 10, 0xffffffff));
    EXPECT_EQ(check(), "blank");
}

TEST_F(GADAdViewRenderedCheckerTest, TranslucentAndInBetweenBackgroundsAreRecognised) {
    // What an engine draws for a half-transparent red: premultiplied bytes over alpha 128.
    adView->setBackgroundColor(Color::rgba(1, 0, 0, 0.5f));
    EXPECT_EQ(GADAdViewRenderedChecker::premultipliedBytes(Color::rgba(1, 0, 0, 0.5f)),
              0x80000080u);
    page()->setSnapshot(filled(10, 10, 0x80000080));
    EXPECT_EQ(check(), "blank");

    const Color grey = Color::rgba(0.3f, 0.6f, 0.9f, 0.25f);
    adView->setBackgroundColor(grey);
    const std::uint32_t bytes = GADAdViewRenderedChecker::premultipliedBytes(grey);
    EXPECT_EQ(bytes & 0xff, 64u);
    EXPECT_EQ(bytes >> 24, 19u);
    page()->setSnapshot(filled(10, 10, bytes));
    EXPECT_EQ(check(), "blank");
    page()->setSnapshot(filled(10, 10, bytes, 50));
    EXPECT_EQ(check(), "rendered");
}

TEST_F(GADAdViewRenderedCheckerTest, TheFrameSizeDecidesWhatIsLookedAt) {
    // A clear ad view whose page covers only its top half: the rest counts as transparent.
    adView->setBackgroundColor(Color::clear());
    page()->setSnapshot(filled(10, 5, 0xff0000ff));
    EXPECT_EQ(check(), "rendered");
    page()->setSnapshot(filled(10, 5, 0));
    EXPECT_EQ(check(), "blank");
    // A page larger than the view shows only inside the frame.
    page()->setSnapshot(filled(20, 20, 0xff0000ff, 0, 0));
    adView->setBackgroundColor(Color::rgba(1, 0, 0, 1));
    EXPECT_EQ(check(), "blank");

    // Nothing to look at: a view without size, or a page that gives no picture.
    adView->setFrame(Rect(0, 0, 0, 10));
    EXPECT_EQ(check(), "blank");
    adView->setFrame(Rect(0, 0, 10, 10));
    page()->setSnapshot(std::nullopt);
    EXPECT_EQ(check(), "blank");
}

TEST_F(GADAdViewRenderedCheckerTest, NothingOnceTheViewOrTheDelegateIsGone) {
    page()->setSnapshot(filled(10, 10, 0xff0000ff));
    // A picture that comes after its delegate went reaches no one.
    page()->holdSnapshots(true);
    checker->checkIsContentRenderedInAdView();
    delegate.reset();
    page()->answerNextSnapshot(filled(10, 10, 0xff0000ff));
    scope.runUntilIdle();
    page()->holdSnapshots(false);
    auto other = std::make_shared<RecordingCheckerDelegate>();
    checker->checkIsContentRenderedInAdView();
    checker->setDelegate(other);
    adView->removeFromSuperview();
    adView.reset();
    checker->checkIsContentRenderedInAdView();
    scope.runUntilIdle();
    EXPECT_TRUE(other->verdicts.empty());
}

TEST_F(GADAdViewRenderedCheckerTest, OneLookInFlightEachTickOneVerdictALatePictureAtTheNextTick) {
    const auto waits = platform::web::WebView::synchronousWaitCount();
    adView->setBackgroundColor(Color::whiteColor());
    const auto busy = page();
    busy->holdSnapshots(true);
    // The first tick asks for a picture; the busy page has not sent it by the second tick.
    EXPECT_EQ(check(), "none");
    EXPECT_TRUE(checker->isLookInFlight());
    // The second tick reports the first as nothing seen and itself as still waiting; it asks for
    // no second picture.
    EXPECT_EQ(check(), "blank,blank");
    EXPECT_EQ(check(), "blank");
    EXPECT_EQ(busy->snapshotRequestCount(), 1);
    // The late picture shows the ad: kept on arrival, judged at the next tick, which asks for
    // no picture of its own.
    ASSERT_TRUE(busy->answerNextSnapshot(filled(10, 10, 0xff0000ff)));
    scope.runUntilIdle();
    EXPECT_EQ(delegate->verdicts.size(), 1u);
    EXPECT_FALSE(checker->isLookInFlight());
    EXPECT_EQ(check(), "rendered");
    EXPECT_EQ(busy->snapshotRequestCount(), 1);
    // The next tick looks again; a picture that comes before the following tick is its verdict.
    EXPECT_EQ(check(), "none");
    EXPECT_EQ(busy->snapshotRequestCount(), 2);
    busy->answerNextSnapshot(filled(10, 10, 0xffffffff));
    scope.runUntilIdle();
    EXPECT_EQ(delegate->verdicts, (std::vector<std::string>{"blank"}));

    // A new ad view starts afresh: a picture of the old one counts for nothing, and the new
    // page (which has none to give) is asked at once.
    checker->checkIsContentRenderedInAdView();
    auto other = GADAdView::create(Rect(0, 0, 10, 10));
    checker->setAdView(other);
    busy->answerNextSnapshot(filled(10, 10, 0xff0000ff));
    EXPECT_EQ(check(), "blank");
    other->removeFromSuperview();
    EXPECT_EQ(platform::web::WebView::synchronousWaitCount(), waits);
}

TEST(GADAdViewRenderedCheckerImageTest, SharesOfAPicture) {
    platform::gfx::Image image = platform::gfx::Image::blank(4, 2);
    image.setPremultiplied(true);
    image.setPixel(0, 0, 128, 0, 0, 128);
    image.setPixel(1, 0, 128, 0, 0, 128);
    EXPECT_DOUBLE_EQ(GADAdViewRenderedChecker::percentOfImage(image, Color::rgba(1, 0, 0, 0.5f)),
                     0.25);
    EXPECT_DOUBLE_EQ(GADAdViewRenderedChecker::percentOfImage(image, Color::clear()), 0.75);
    // A picture with straight colours is compared with the colour's straight bytes.
    image.setPremultiplied(false);
    image.setPixel(2, 0, 255, 0, 0, 128);
    EXPECT_DOUBLE_EQ(GADAdViewRenderedChecker::percentOfImage(image, Color::rgba(1, 0, 0, 0.5f)),
                     0.125);
    // No colour to compare with: nothing equals it. No pixels: no share at all.
    EXPECT_EQ(GADAdViewRenderedChecker::percentOfImage(image, std::nullopt), 0);
    EXPECT_TRUE(std::isnan(
        GADAdViewRenderedChecker::percentOfImage(platform::gfx::Image(), Color::clear())));
    // A snapshot whose bytes fall short of its size is read only as far as they go.
    WebSnapshot shortShot = filled(4, 4, 0xff0000ff);
    shortShot.rgba.resize(4 * 4 * 2);
    EXPECT_DOUBLE_EQ(
        GADAdViewRenderedChecker::percentOfSnapshot(shortShot, 4, 4, Color::rgba(1, 0, 0, 1)), 0.5);
}

}  // namespace
}  // namespace ads
