#include <gtest/gtest.h>

#include <httplib.h>

#include "ads/foundation/GADLog.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "ads/native/GADOverlayView.h"
#include "ads/native/tests/NativeFormatTestSupport.h"
#include "ads/native/tests/PictureBytes.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/base/LogSink.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestGate.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using Outcome = std::optional<platform::Error>;

using testing::imageObject;

// The loader's option copies holding one image option.
GADAdLoaderOptionsMap imageOptions(bool disableImageLoading, bool multipleImages) {
    auto options = GADNativeAdImageAdLoaderOptions::create();
    options->disableImageLoading = disableImageLoading;
    options->shouldRequestMultipleImages = multipleImages;
    return {{GADNativeAdImageAdLoaderOptions::kClassName, options}};
}

std::vector<std::string> urlsOf(const std::vector<std::shared_ptr<GADNativeAdImage>>& images) {
    std::vector<std::string> urls;
    for (const auto& image : images) urls.push_back(image->imageURL()->absoluteString());
    return urls;
}

// Pictures on a loopback server: "/a.png", "/b.png", "/icon.png" load; "/missing.png" is a 404;
// "/late.png" waits for its gate.
class GADNativeFormatsTest : public ::testing::Test {
  protected:
    GADNativeFormatsTest() {
        for (const char* path : {"/a.png", "/b.png", "/icon.png", "/badge.png"}) {
            server.get(path, [png = testing::pngOf(8, 8)](const httplib::Request&,
                                                          httplib::Response& res) {
                res.set_content(std::string(png.begin(), png.end()), "image/png");
            });
        }
        server.text("/missing.png", "gone", 404);
        const auto png = testing::pngOf(4, 4);
        server.stalled("/late.png", lateGate, std::string(png.begin(), png.end()));
    }
    std::string url(const std::string& path) const { return server.url(path); }
    // Starts loading and waits for the outcome.
    Outcome loadAssets(GADNativeAd& ad) {
        std::optional<Outcome> outcome;
        ad.loadAssetsWithCompletionHandler([&](const Outcome& error) { outcome = error; });
        EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(Outcome{});
    }
    std::size_t pictureRequests() const {
        std::size_t count = 0;
        for (const auto& request : server.requests()) count += request.path != "/late.png";
        return count;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    platform::testing::TestHttpServer server;
    std::shared_ptr<platform::testing::TestGate> lateGate = server.makeGate();
};

TEST_F(GADNativeFormatsTest, ContentAdsNeedAHeadlineAndABody) {
    const Value full =
        Value::dictionary({{"headline", Value("Head")},
                           {"body", Value("Body")},
                           {"call_to_action", Value("Go")},
                           {"advertiser", Value("Shop")},
                           {"secondary_image", imageObject("https://x.test/logo.png")},
                           {"images", Value::array({imageObject("https://x.test/1.png")})}});
    auto ad = GADNativeContentAd::create(full, std::nullopt);
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->headline(), "Head");
    EXPECT_EQ(ad->body(), "Body");
    EXPECT_EQ(ad->callToAction(), "Go");
    EXPECT_EQ(ad->advertiser(), "Shop");
    ASSERT_TRUE(ad->logo());
    EXPECT_EQ(ad->logo()->imageURL()->absoluteString(), "https://x.test/logo.png");
    EXPECT_EQ(urlsOf(ad->configuredImages()), (std::vector<std::string>{"https://x.test/1.png"}));
    EXPECT_TRUE(ad->images().empty());  // none loaded yet
    EXPECT_EQ(ad->clickActionTemplateID(), "1");
    // An attribution always, with the defaults when the object has none.
    ASSERT_TRUE(ad->attribution());
    EXPECT_FALSE(ad->attribution()->text());
    EXPECT_EQ(ad->requiredAssets(), (std::set<std::string>{"headline", "body", "attribution"}));
    // A hidden overlay with a zero frame, without a host until the ad has a slot.
    ASSERT_TRUE(ad->overlayView());
    EXPECT_TRUE(ad->overlayView()->isHidden());
    EXPECT_EQ(ad->overlayView()->frame(), platform::Rect{});
    EXPECT_FALSE(ad->overlayView()->adView());
    auto slot = GADSlot::create();
    ad->setSlot(slot);
    EXPECT_EQ(ad->overlayView()->adView(), slot->adView());

    // Without either required text (or with one that is no text) there is no ad; the optional
    // ones may be missing.
    for (const char* key : {"headline", "body"}) {
        auto without = full.asDictionary();
        without.erase(key);
        EXPECT_FALSE(GADNativeContentAd::create(Value(without), std::nullopt)) << key;
        without[key] = Value(12);
        EXPECT_FALSE(GADNativeContentAd::create(Value(without), std::nullopt)) << key;
    }
    auto bare = GADNativeContentAd::create(
        Value::dictionary(
            {{"headline", Value("H")}, {"body", Value("B")}, {"advertiser", Value(3)}}),
        std::nullopt);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->callToAction());
    EXPECT_FALSE(bare->advertiser());
    EXPECT_FALSE(bare->logo());
    EXPECT_TRUE(bare->configuredImages().empty());
}

TEST_F(GADNativeFormatsTest, AppInstallAdsNeedAnIconAndRateExactly) {
    Value::Dictionary full{{"headline", Value("App")},
                           {"call_to_action", Value("Install")},
                           {"app_icon", imageObject("https://x.test/icon.png")},
                           {"body", Value("Fun")},
                           {"store", Value("Store")},
                           {"price", Value("Free")},
                           {"rating", Value(4.1)}};
    auto ad = GADNativeAppInstallAd::create(Value(full), std::nullopt);
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->headline(), "App");
    EXPECT_EQ(ad->callToAction(), "Install");
    EXPECT_EQ(ad->body(), "Fun");
    EXPECT_EQ(ad->store(), "Store");
    EXPECT_EQ(ad->price(), "Free");
    EXPECT_EQ(ad->starRating().toString(), "4.1");
    EXPECT_EQ(ad->icon()->imageURL()->absoluteString(), "https://x.test/icon.png");
    EXPECT_EQ(ad->clickActionTemplateID(), "2");
    EXPECT_EQ(ad->requiredAssets(),
              (std::set<std::string>{"headline", "callToAction", "icon", "attribution"}));

    // No rating, or one that is no number, is 0.
    for (const Value& rating : {Value(), Value("5"), Value::array()}) {
        auto rated = full;
        if (rating.isNull()) {
            rated.erase("rating");
        } else {
            rated["rating"] = rating;
        }
        auto other = GADNativeAppInstallAd::create(Value(rated), std::nullopt);
        ASSERT_TRUE(other);
        EXPECT_TRUE(other->starRating().isZero()) << rating.description();
    }
    // Without the icon (or with one that has no URL), the headline or the call to action: none.
    for (const char* key : {"app_icon", "headline", "call_to_action"}) {
        auto without = full;
        without.erase(key);
        EXPECT_FALSE(GADNativeAppInstallAd::create(Value(without), std::nullopt)) << key;
    }
    full["app_icon"] = Value::dictionary({{"scale", Value(2)}});
    EXPECT_FALSE(GADNativeAppInstallAd::create(Value(full), std::nullopt));
}

TEST_F(GADNativeFormatsTest, ImagesShowInTheOrderTheyFinishedAndOnlyTheFirstWithoutMultiple) {
    const Value adObject = Value::dictionary(
        {{"headline", Value("H")},
         {"body", Value("B")},
         {"images", Value::array({imageObject(url("/late.png")), imageObject(url("/a.png")),
                                  imageObject(url("/missing.png")), imageObject(url("/a.png"))})},
         {"attribution", Value::dictionary({{"image", imageObject(url("/badge.png"))}})}});
    // Without the multiple-images option only the first entry counts.
    auto single = GADNativeContentAd::create(adObject, imageOptions(false, false));
    ASSERT_TRUE(single);
    EXPECT_EQ(urlsOf(single->configuredImages()), (std::vector<std::string>{url("/late.png")}));
    EXPECT_EQ(GADNativeContentAd::create(adObject, std::nullopt)->configuredImages().size(), 1u);

    auto ad = GADNativeContentAd::create(adObject, imageOptions(false, true));
    ASSERT_EQ(ad->configuredImages().size(), 4u);
    // Two entries with one URL are two assets.
    EXPECT_NE(GADNativeImageAd::imageAssetName(*ad->configuredImages()[1]),
              GADNativeImageAd::imageAssetName(*ad->configuredImages()[3]));
    std::optional<Outcome> outcome;
    ad->loadAssetsWithCompletionHandler([&](const Outcome& error) { outcome = error; });
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return ad->images().size() == 2; }));
    EXPECT_FALSE(outcome);  // the late one is still loading
    lateGate->release();
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return outcome.has_value(); }));
    // The failed image is left out silently; the late one comes last.
    EXPECT_FALSE(*outcome);
    EXPECT_EQ(urlsOf(ad->images()),
              (std::vector<std::string>{url("/a.png"), url("/a.png"), url("/late.png")}));
    EXPECT_NE(ad->images()[0], ad->images()[1]);
    EXPECT_TRUE(ad->images()[0]->image());
    EXPECT_EQ(ad->attribution()->icons().size(), 1u);
}

TEST_F(GADNativeFormatsTest, AFailedLogoIsSilentAFailedIconOrBadgeFailsTheAd) {
    auto content = GADNativeContentAd::create(
        Value::dictionary({{"headline", Value("H")},
                           {"body", Value("B")},
                           {"secondary_image", imageObject(url("/missing.png"))}}),
        std::nullopt);
    EXPECT_FALSE(loadAssets(*content));

    Value::Dictionary install{{"headline", Value("H")},
                              {"call_to_action", Value("C")},
                              {"app_icon", imageObject(url("/icon.png"))}};
    auto good = GADNativeAppInstallAd::create(Value(install), std::nullopt);
    EXPECT_FALSE(loadAssets(*good));
    EXPECT_TRUE(good->icon()->image());

    install["app_icon"] = imageObject(url("/missing.png"));
    auto noIcon = GADNativeAppInstallAd::create(Value(install), std::nullopt);
    const auto iconFailure = loadAssets(*noIcon);
    ASSERT_TRUE(iconFailure);
    EXPECT_EQ(iconFailure->code, 11);

    install["app_icon"] = imageObject(url("/icon.png"));
    install["attribution"] = Value::dictionary({{"image", imageObject(url("/missing.png"))}});
    auto noBadge = GADNativeAppInstallAd::create(Value(install), std::nullopt);
    EXPECT_TRUE(loadAssets(*noBadge));
}

TEST_F(GADNativeFormatsTest, WithImageLoadingOffEveryImageShowsUnloadedAndNothingIsFetched) {
    auto ad = GADNativeAppInstallAd::create(
        Value::dictionary(
            {{"headline", Value("H")},
             {"call_to_action", Value("C")},
             {"app_icon", imageObject(url("/icon.png"))},
             {"images", Value::array({imageObject(url("/a.png")), imageObject(url("/b.png"))})}}),
        imageOptions(true, true));
    ASSERT_TRUE(ad);
    EXPECT_TRUE(ad->disableImageLoading());
    EXPECT_FALSE(loadAssets(*ad));
    EXPECT_EQ(urlsOf(ad->images()), (std::vector<std::string>{url("/a.png"), url("/b.png")}));
    for (const auto& image : ad->images()) EXPECT_FALSE(image->image());
    EXPECT_FALSE(ad->icon()->image());
    EXPECT_EQ(pictureRequests(), 0u);
}

// ---- custom template ads ----

Value templateAd(const Value& templateID, Value::Array assets) {
    return Value::dictionary(
        {{"custom_template_id", templateID}, {"custom_assets", Value(std::move(assets))}});
}

Value asset(const char* name, const char* type, const char* key = nullptr, Value value = Value()) {
    Value::Dictionary entry{{"name", Value(name)}, {"type", Value(type)}};
    if (key) entry[key] = std::move(value);
    return Value(std::move(entry));
}

TEST_F(GADNativeFormatsTest, CustomTemplateIdsAreTextsOrNumbersAndAssetsAreSortedByName) {
    EXPECT_EQ(GADNativeCustomTemplateAd::create(templateAd(Value("10063170"), {}), std::nullopt)
                  ->templateID(),
              "10063170");
    EXPECT_EQ(
        GADNativeCustomTemplateAd::create(templateAd(Value(42), {}), std::nullopt)->templateID(),
        "42");
    EXPECT_EQ(
        GADNativeCustomTemplateAd::create(templateAd(Value(4.5), {}), std::nullopt)->templateID(),
        "4.5");
    for (const Value& bad : {Value(), Value::array(), Value::dictionary()}) {
        EXPECT_FALSE(GADNativeCustomTemplateAd::create(templateAd(bad, {}), std::nullopt))
            << bad.description();
    }

    auto ad = GADNativeCustomTemplateAd::create(
        templateAd(Value("7"),
                   {asset("b", "string", "string_value", Value("bee")),
                    asset("A", "string", "string_value", Value("Ay")),
                    asset("number", "string", "string_value", Value(5)),
                    asset("a", "string", "string_value", Value("ay")), asset("B", "string"),
                    asset("", "string", "string_value", Value("no name")),
                    Value::dictionary({{"name", Value("untyped")}}), Value("not an object"),
                    asset("picture", "image", "image_value", imageObject(url("/a.png"))),
                    asset("extra", "image", "image_value",
                          imageObject(url("/b.png"), {{"require", Value(false)}})),
                    asset("broken", "image", "image_value", Value::dictionary()),
                    asset("movie", "video", "string_value", Value("?"))}),
        std::nullopt);
    ASSERT_TRUE(ad);
    // Text names are there at once, regardless of case (ties by bytes); images once ready.
    EXPECT_EQ(ad->availableAssetKeys(), (std::vector<std::string>{"A", "a", "B", "b", "number"}));
    EXPECT_EQ(ad->stringForKey("b"), "bee");
    EXPECT_FALSE(ad->stringForKey("number"));  // a number is no text
    EXPECT_FALSE(ad->stringForKey("B"));
    EXPECT_FALSE(ad->imageForKey("picture"));
    EXPECT_EQ(ad->requiredAssets(), (std::set<std::string>{"picture"}));
    EXPECT_EQ(ad->clickActionTemplateID(), "3");

    EXPECT_FALSE(loadAssets(*ad));
    EXPECT_EQ(ad->availableAssetKeys(),
              (std::vector<std::string>{"A", "a", "B", "b", "extra", "number", "picture"}));
    ASSERT_TRUE(ad->imageForKey("picture"));
    EXPECT_TRUE(ad->imageForKey("picture")->image());
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(ad.get()));
    EXPECT_EQ(ad->description(), std::string("<GADNativeCustomTemplateAd: ") + address +
                                     ", availableAssetKeys:[A, a, B, b, extra, number, picture]>");
}

TEST_F(GADNativeFormatsTest, ACustomTemplatesFailedRequiredImageFailsItAndLoadingOffShowsAll) {
    const Value::Array assets{
        asset("optional", "image", "image_value",
              imageObject(url("/missing.png"), {{"require", Value(false)}})),
        asset("required", "image", "image_value", imageObject(url("/a.png")))};
    EXPECT_FALSE(loadAssets(
        *GADNativeCustomTemplateAd::create(templateAd(Value("1"), assets), std::nullopt)));

    auto failing = GADNativeCustomTemplateAd::create(
        templateAd(Value("1"),
                   {asset("required", "image", "image_value", imageObject(url("/missing.png")))}),
        std::nullopt);
    const auto failure = loadAssets(*failing);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, 11);
    EXPECT_TRUE(failing->availableAssetKeys().empty());

    const std::size_t before = pictureRequests();
    auto unloaded = GADNativeCustomTemplateAd::create(templateAd(Value("1"), assets),
                                                      imageOptions(true, false));
    EXPECT_FALSE(loadAssets(*unloaded));
    EXPECT_EQ(unloaded->availableAssetKeys(), (std::vector<std::string>{"optional", "required"}));
    EXPECT_FALSE(unloaded->imageForKey("required")->image());
    EXPECT_EQ(pictureRequests(), before);
}

TEST_F(GADNativeFormatsTest, TemplateIdsAreRequestedAsTextsAndOnlyThoseAsked) {
    GADLogFlush();
    platform::LogSink::Capture capture;
    const auto parameters = GADNativeCustomTemplateAd::requestParametersForTemplateIDs(
        Value::Array{Value("10063170"), Value(12), Value("abc"), Value::dictionary()});
    GADLogFlush();
    EXPECT_EQ(parameters,
              (Value::Dictionary{{"format", Value(3)},
                                 {"custom_template_ids",
                                  Value::array({Value("10063170"), Value("12"), Value("abc")})}}));
    EXPECT_TRUE(
        capture.contains("<Zivivu> Received non-numeric custom template ID. The template "
                         "ID may be invalid: abc"));
    EXPECT_TRUE(capture.contains("<Zivivu> Received non-string custom template ID: {\\n}"));
    EXPECT_FALSE(capture.contains("may be invalid: 10063170"));
    // No ids: the format with an empty list.
    EXPECT_EQ(GADNativeCustomTemplateAd::requestParametersForTemplateIDs(std::nullopt),
              (Value::Dictionary{{"format", Value(3)}, {"custom_template_ids", Value::array()}}));

    auto ad = GADNativeCustomTemplateAd::create(templateAd(Value(12), {}), std::nullopt);
    EXPECT_TRUE(ad->hasValidConfigurationForRequestParameters(parameters));
    EXPECT_FALSE(ad->hasValidConfigurationForRequestParameters(std::nullopt));
    EXPECT_FALSE(ad->hasValidConfigurationForRequestParameters(Value::Dictionary{
        {"format", Value(3)}, {"custom_template_ids", Value::array({Value(12)})}}));
    EXPECT_FALSE(ad->hasValidConfigurationForRequestParameters(
        GADNativeCustomTemplateAd::requestParametersForTemplateIDs(Value::Array{Value("13")})));
}

class GADCustomClickTest : public GADNativeFormatsTest {
  protected:
    GADCustomClickTest() {
        ad = GADNativeCustomTemplateAd::create(
            templateAd(Value("5"), {asset("title", "string", "string_value", Value("T"))}),
            std::nullopt);
        slot = GADSlot::create();
        ad->setSlot(slot);
        page = views.web().lastPage();
    }
    // The support page answers a custom click.
    void pageAnswers(const std::shared_ptr<GADSlot>& from) {
        platform::NotificationCenter::defaultCenter().post("nativeAdCustomClick",
                                                           from->adView().get());
    }

    std::shared_ptr<GADNativeCustomTemplateAd> ad;
    std::shared_ptr<GADSlot> slot;
    std::shared_ptr<platform::web::FakeWebPage> page;
    int runs = 0;
};

TEST_F(GADCustomClickTest, AClickWithAHandlerWaitsForThePageAndASecondIsDropped) {
    GADLogFlush();
    platform::LogSink::Capture capture;
    // Unavailable names do nothing but say so.
    ad->performClickOnAssetWithKey("nothing", [&] { ++runs; });
    GADLogFlush();
    EXPECT_TRUE(
        capture.contains("<Zivivu> Asset is unavailable. Cannot perform click on "
                         "\"nothing\"."));
    EXPECT_TRUE(page->evaluations().empty());

    // Without a handler the click just runs.
    ad->performClickOnAssetWithKey("title", nullptr);
    ASSERT_EQ(page->evaluations().size(), 1u);
    EXPECT_EQ(page->evaluations()[0], "zivivu.rade.nativeAds.handleClickGmsg(" +
                                          *ad->clickMessageJSON("title", std::nullopt) + ")");
    EXPECT_FALSE(ad->hasPendingCustomClick());

    // With one, the page is told and the handler waits for its answer.
    ad->performClickOnAssetWithKey("title", [&] { ++runs; });
    ASSERT_EQ(page->evaluations().size(), 2u);
    EXPECT_EQ(page->evaluations()[1],
              "zivivu.rade.nativeAds.handleClickGmsg(" +
                  *ad->clickMessageJSON(
                      "title", Value::Dictionary{{"has_custom_click_handler", Value(true)}}) +
                  ")");
    EXPECT_TRUE(ad->hasPendingCustomClick());
    ad->performClickOnAssetWithKey("title", [&] { runs += 100; });
    GADLogFlush();
    EXPECT_TRUE(capture.contains(
        "<Zivivu> Still processing prior click event. This click event will be ignored."));
    EXPECT_EQ(page->evaluations().size(), 2u);

    // Another ad view's answer is not this ad's.
    auto other = GADSlot::create();
    pageAnswers(other);
    scope.runUntilIdle();
    EXPECT_EQ(runs, 0);

    pageAnswers(slot);
    EXPECT_EQ(runs, 0);  // on a later main-loop turn
    scope.runUntilIdle();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(ad->hasPendingCustomClick());
    pageAnswers(slot);
    scope.runUntilIdle();
    EXPECT_EQ(runs, 1);
}

TEST_F(GADCustomClickTest, AClickThePageNeverAnswersExpiresAfterFiveSeconds) {
    ad->performClickOnAssetWithKey("title", [&] { ++runs; });
    scope.advance(4.9);
    EXPECT_TRUE(ad->hasPendingCustomClick());
    scope.advance(0.1);
    EXPECT_FALSE(ad->hasPendingCustomClick());
    // A late answer runs nothing; the next click is taken.
    pageAnswers(slot);
    scope.runUntilIdle();
    EXPECT_EQ(runs, 0);
    ad->performClickOnAssetWithKey("title", [&] { runs += 10; });
    EXPECT_TRUE(ad->hasPendingCustomClick());
    // An answered click's timer does not cut the next one short.
    pageAnswers(slot);
    scope.runUntilIdle();
    EXPECT_EQ(runs, 10);
    ad->performClickOnAssetWithKey("title", [&] { runs += 100; });
    scope.advance(4);
    EXPECT_TRUE(ad->hasPendingCustomClick());
}

TEST_F(GADCustomClickTest, ANewSlotMovesTheObservationAndAnAdThatWentHearsNothing) {
    auto second = GADSlot::create();
    ad->setSlot(second);
    ad->performClickOnAssetWithKey("title", [&] { ++runs; });
    pageAnswers(slot);
    scope.runUntilIdle();
    EXPECT_EQ(runs, 0);
    pageAnswers(second);
    scope.runUntilIdle();
    EXPECT_EQ(runs, 1);

    ad->performClickOnAssetWithKey("title", [&] { ++runs; });
    ad.reset();
    pageAnswers(second);
    scope.advance(10);
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace ads
