// The three formats as the loader meets them: their classes in the tables, their request
// parameters, and each delivered through its own callback.

#include <gtest/gtest.h>

#include <httplib.h>

#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "ads/native/GADNativeRoom.h"
#include "ads/native/GADOverlayView.h"
#include "ads/native/tests/NativeFormatTestSupport.h"
#include "ads/native/tests/PictureBytes.h"
#include "ads/native/tests/SupportPageHarness.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Value;
using testing::nativeAnswer;

using testing::EveryFormatDelegate;

class GADNativeFormatsLoaderTest : public ::testing::Test {
  protected:
    GADNativeFormatsLoaderTest() {
        // The support harness stands scripted formats in for content and app install ads; these
        // tests want the real ones, and put the scripted ones back for the harness to undo.
        auto& classes = GADNativeAdClasses::shared();
        scriptedContent_ =
            classes.setClass(GADNativeAdFormat::Content, GADNativeContentAd::loadingClass());
        scriptedAppInstall_ =
            classes.setClass(GADNativeAdFormat::AppInstall, GADNativeAppInstallAd::loadingClass());
        pictures.get("/icon.png", [png = testing::pngOf(16, 16)](const httplib::Request&,
                                                                 httplib::Response& res) {
            res.set_content(std::string(png.begin(), png.end()), "image/png");
        });
    }
    ~GADNativeFormatsLoaderTest() override {
        auto& classes = GADNativeAdClasses::shared();
        classes.setClass(GADNativeAdFormat::Content, scriptedContent_);
        classes.setClass(GADNativeAdFormat::AppInstall, scriptedAppInstall_);
    }
    // Loads the answer and waits for what the delegate hears.
    void load(GADAdLoader& loader, const std::string& json) {
        const std::size_t heard = delegate->received.size() + delegate->failures.size();
        loader.loadRequest(testing::requestWithNativeAd(json));
        auto* support = h.waitForSupportPage(page_++);
        ASSERT_TRUE(support);
        h.finishLoading(*support);
        h.answer(*support, json);
        ASSERT_TRUE(platform::testing::runMainLoopUntil([&] {
            return delegate->received.size() + delegate->failures.size() > heard;
        })) << json;
    }

    testing::SupportPageHarness h;
    platform::testing::TestHttpServer pictures;
    std::shared_ptr<EveryFormatDelegate> delegate =
        std::make_shared<EveryFormatDelegate>(Value::Array{Value("5"), Value(6)});

  private:
    GADAdLoadingClass scriptedContent_;
    GADAdLoadingClass scriptedAppInstall_;
    std::size_t page_ = 0;
};

TEST_F(GADNativeFormatsLoaderTest, TheRoomRegistersTheFormatsByTypeTemplateAndName) {
    GADNativeRoom::load();
    EXPECT_EQ(GADNativeAdClassForAdLoaderAdType("3"), GADNativeCustomTemplateAd::loadingClass());
    EXPECT_EQ(GADNativeAdClassForFormatAndTemplateID("native", 1),
              GADNativeContentAd::loadingClass());
    EXPECT_EQ(GADNativeAdClassForFormatAndTemplateID("native", 2),
              GADNativeAppInstallAd::loadingClass());
    const auto& registry = platform::ClassRegistry::shared();
    for (const char* name :
         {"GADNativeContentAd", "GADNativeAppInstallAd", "GADNativeCustomTemplateAd"}) {
        EXPECT_TRUE(registry.isKindOf(name, "GADNativeAd")) << name;
        EXPECT_TRUE(registry.conformsTo(name, "GADAdLoading")) << name;
    }
    EXPECT_EQ(GADNativeContentAd::loadingClass()->requiredDelegateProtocol,
              "ads::GADNativeContentAdLoaderDelegate");
}

TEST_F(GADNativeFormatsLoaderTest, EachFormatReachesItsOwnCallback) {
    auto loader = GADAdLoader::create("unit", {}, {"1", "2", "3"}, {});
    loader->setDelegate(delegate);
    ASSERT_EQ(loader->delegate(), delegate);

    load(*loader, nativeAnswer(Value(1), {{"headline", Value("H")}, {"body", Value("B")}}));
    EXPECT_EQ(loader->adClassRequestParameters(),
              (std::map<std::string, Value::Dictionary>{
                  {"GADNativeContentAd", {{"format", Value(1)}}},
                  {"GADNativeAppInstallAd", {{"format", Value(2)}}},
                  {"GADNativeCustomTemplateAd",
                   {{"format", Value(3)},
                    {"custom_template_ids", Value::array({Value("5"), Value("6")})}}}}));
    load(*loader, nativeAnswer(Value(2),
                               {{"headline", Value("H")},
                                {"call_to_action", Value("C")},
                                {"app_icon",
                                 Value::dictionary({{"url", Value(pictures.url("/icon.png"))}})}}));
    load(*loader, nativeAnswer(Value(3), {{"custom_template_id", Value(6)}}));
    ASSERT_TRUE(delegate->failures.empty());
    ASSERT_EQ(delegate->received.size(), 3u);
    EXPECT_EQ(std::dynamic_pointer_cast<GADNativeContentAd>(delegate->received[0])->headline(),
              "H");
    const auto install = std::dynamic_pointer_cast<GADNativeAppInstallAd>(delegate->received[1]);
    ASSERT_TRUE(install);
    EXPECT_TRUE(install->icon()->image());
    EXPECT_EQ(install->overlayView()->adView(), install->slot()->adView());
    EXPECT_EQ(
        std::dynamic_pointer_cast<GADNativeCustomTemplateAd>(delegate->received[2])->templateID(),
        "6");

    // A template nobody asked for, and an ad that lacks what its format needs: code 13.
    for (const std::string& json :
         {nativeAnswer(Value(3), {{"custom_template_id", Value("7")}}),
          nativeAnswer(Value(3), {{"custom_template_id", Value::array()}}),
          nativeAnswer(Value(1), {{"headline", Value("H")}})}) {
        delegate->failures.clear();
        load(*loader, json);
        ASSERT_EQ(delegate->failures.size(), 1u) << json;
        EXPECT_EQ(delegate->failures[0].code, kGADErrorReceivedInvalidResponse) << json;
    }
    EXPECT_EQ(delegate->received.size(), 3u);
}

}  // namespace
}  // namespace ads
