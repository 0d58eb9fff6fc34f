#include "ads/native/GADNativeAdImage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADPictureDimensions.h"
#include "ads/native/tests/NativeFormatTestSupport.h"
#include "ads/native/tests/PictureBytes.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/gfx/Image.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Value;
using Outcome = std::optional<platform::Error>;

using testing::imageObject;

class GADNativeAdImageTest : public ::testing::Test {
  protected:
    GADNativeAdImageTest() {
        serve("/picture.png", testing::pngOf(40, 20), "image/png");
        serve("/picture.jpg", testing::jpegOf(1200, 627), "image/jpeg");
        serve("/empty.png", {}, "image/png");
        serve("/huge.png", testing::pngHeaderClaiming(20000, 20000), "image/png");
        serve("/twenty-megapixels.png", testing::pngHeaderClaiming(5000, 4000), "image/png");
        serve("/oversized.png", std::vector<std::uint8_t>(5 * 1024 * 1024, 0x89), "image/png");
        serve("/text.png", {'h', 'e', 'l', 'l', 'o'}, "image/png");
        server.text("/missing.png", "<html>Not here</html>", 404);
    }
    void serve(const std::string& path, std::vector<std::uint8_t> body, std::string type) {
        server.get(path,
                   [body = std::move(body), type](const httplib::Request&, httplib::Response& res) {
                       res.set_content(std::string(body.begin(), body.end()), type);
                   });
    }
    std::shared_ptr<GADNativeAdImage> image(const std::string& path, Value::Dictionary more = {}) {
        return GADNativeAdImage::create(imageObject(server.url(path), std::move(more)));
    }
    // Loads and waits for the handler.
    Outcome load(GADNativeAdImage& picture) {
        std::optional<Outcome> outcome;
        picture.loadImageWithCompletionHandler([&](const Outcome& error) { outcome = error; });
        EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(Outcome{});
    }

    ads::testing::AdsTestScope scope;
    platform::testing::TestHttpServer server;
};

TEST_F(GADNativeAdImageTest, ImageObjectsNeedAURLAndGetSaneScales) {
    EXPECT_FALSE(GADNativeAdImage::create(Value::dictionary()));
    EXPECT_FALSE(GADNativeAdImage::create(Value::dictionary({{"url", Value(7)}})));
    EXPECT_FALSE(GADNativeAdImage::create(imageObject("")));
    EXPECT_FALSE(GADNativeAdImage::create(Value("https://x.test/a.png")));

    auto plain = GADNativeAdImage::create(imageObject("https://x.test/a.png"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->scale(), 1.0);
    EXPECT_TRUE(plain->required());
    EXPECT_FALSE(plain->image());
    EXPECT_EQ(GADNativeAdImage::create(imageObject("https://x.test/a.png", {{"scale", Value(2)}}))
                  ->scale(),
              2.0);
    for (const Value& scale :
         {Value(0), Value(-2.0), Value("2"), Value(true),
          Value(std::numeric_limits<double>::infinity()), Value(std::nan(""))}) {
        EXPECT_EQ(GADNativeAdImage::create(imageObject("https://x.test/a.png", {{"scale", scale}}))
                      ->scale(),
                  1.0)
            << scale.description();
    }
    EXPECT_FALSE(
        GADNativeAdImage::create(imageObject("https://x.test/a.png", {{"require", Value(false)}}))
            ->required());

    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(plain.get()));
    EXPECT_EQ(plain->description(), std::string("<GADNativeAdImage: ") + address +
                                        " scale: 1.000000 URL: https://x.test/a.png>");
}

TEST_F(GADNativeAdImageTest, ImageArraysGiveTheFirstOrEveryImage) {
    const Value entries = Value::array({imageObject("https://x.test/1.png"), Value::dictionary(),
                                        imageObject("https://x.test/3.png")});
    auto first = GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(entries, nullptr);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), 1u);
    EXPECT_EQ((*first)[0]->imageURL()->absoluteString(), "https://x.test/1.png");

    auto options = GADNativeAdImageAdLoaderOptions::create();
    options->shouldRequestMultipleImages = true;
    auto every =
        GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(entries, options.get());
    ASSERT_TRUE(every);
    EXPECT_EQ(every->size(), 2u);

    // Nothing that makes an image is nothing at all.
    EXPECT_FALSE(GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(
        Value::array({Value::dictionary(), imageObject("https://x.test/2.png")}), nullptr));
    EXPECT_FALSE(
        GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(Value::array(), nullptr));
    EXPECT_FALSE(
        GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(Value::dictionary(), nullptr));
}

TEST_F(GADNativeAdImageTest, PNGAndJPEGDecodeWithTheirScale) {
    auto png = image("/picture.png", {{"scale", Value(2)}});
    EXPECT_FALSE(load(*png));
    ASSERT_TRUE(png->image());
    EXPECT_EQ(png->image()->scale(), 2.0);
    EXPECT_EQ(png->image()->size().width, 20.0);
    EXPECT_EQ(png->image()->size().height, 10.0);
    ASSERT_TRUE(png->image()->pixels());
    EXPECT_EQ(png->image()->pixels()->width(), 40);

    auto jpeg = image("/picture.jpg");
    EXPECT_FALSE(load(*jpeg));
    ASSERT_TRUE(jpeg->image());
    EXPECT_EQ(jpeg->image()->size().width, 1200.0);
    EXPECT_EQ(jpeg->image()->pixels()->height(), 627);
}

TEST_F(GADNativeAdImageTest, OneImageIsDownloadedOnceHoweverOftenItIsLoaded) {
    auto png = image("/picture.png");
    std::vector<std::pair<int, Outcome>> outcomes;
    png->loadImageWithCompletionHandler([&](const Outcome& e) { outcomes.emplace_back(1, e); });
    png->loadImageWithCompletionHandler([&](const Outcome& e) { outcomes.emplace_back(2, e); });
    // One more joins while the load is under way (downloading or decoding).
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return server.requestCount("/picture.png") == 1; }));
    png->loadImageWithCompletionHandler([&](const Outcome& e) { outcomes.emplace_back(4, e); });
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return outcomes.size() == 3; }));
    EXPECT_EQ(outcomes[0].first, 1);
    EXPECT_EQ(outcomes[1].first, 2);
    EXPECT_EQ(outcomes[2].first, 4);
    for (const auto& [number, error] : outcomes) EXPECT_FALSE(error) << number;
    // Loaded: a later load answers on the next turn without a request.
    png->loadImageWithCompletionHandler([&](const Outcome& e) { outcomes.emplace_back(3, e); });
    EXPECT_EQ(outcomes.size(), 3u);
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_FALSE(outcomes[3].second);
    EXPECT_EQ(server.requestCount("/picture.png"), 1u);
}

TEST_F(GADNativeAdImageTest, BodiesThatGiveNoPictureFailWithTheirLength) {
    const struct {
        const char* path;
        std::size_t length;
    } cases[] = {{"/missing.png", std::string("<html>Not here</html>").size()},
                 {"/empty.png", 0},
                 {"/text.png", 5},
                 {"/huge.png", testing::pngHeaderClaiming(1, 1).size()},
                 {"/twenty-megapixels.png", testing::pngHeaderClaiming(1, 1).size()}};
    for (const auto& c : cases) {
        auto picture = image(c.path);
        const Outcome error = load(*picture);
        ASSERT_TRUE(error) << c.path;
        EXPECT_EQ(error->domain, "com.zivivu.ads.private");
        EXPECT_EQ(error->code, 2);
        EXPECT_EQ(error->localizedDescription(), "Failed to load " + picture->description() +
                                                     ". Received " + std::to_string(c.length) +
                                                     " bytes.")
            << c.path;
        EXPECT_FALSE(picture->image());
    }
}

TEST_F(GADNativeAdImageTest, BodiesOverTheCapAndAddressesOffTheWebFail) {
    auto oversized = image("/oversized.png");
    const Outcome tooLong = load(*oversized);
    ASSERT_TRUE(tooLong);
    EXPECT_FALSE(oversized->image());

    auto ftp = GADNativeAdImage::create(imageObject("ftp://x.test/a.png"));
    ASSERT_TRUE(ftp);
    const Outcome refused = load(*ftp);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->domain, "com.zivivu.ads.private");
    EXPECT_EQ(refused->code, 2);
    EXPECT_EQ(refused->localizedDescription(),
              "Couldn't create URL request for ftp://x.test/a.png.");
}

TEST_F(GADNativeAdImageTest, PictureHeadersTellTheirSize) {
    const auto png = testing::pngOf(3, 7);
    const auto pngSize = GADPictureDimensionsOf(png.data(), png.size());
    ASSERT_TRUE(pngSize);
    EXPECT_EQ(pngSize->width, 3u);
    EXPECT_EQ(pngSize->height, 7u);
    const auto jpeg = testing::jpegOf(33, 17);
    const auto jpegSize = GADPictureDimensionsOf(jpeg.data(), jpeg.size());
    ASSERT_TRUE(jpegSize);
    EXPECT_EQ(jpegSize->width, 33u);
    EXPECT_EQ(jpegSize->height, 17u);
    // Cut anywhere before the size, or no picture at all: nothing.
    EXPECT_FALSE(GADPictureDimensionsOf(png.data(), 20));
    EXPECT_FALSE(GADPictureDimensionsOf(jpeg.data(), 4));
    const std::uint8_t text[] = "hello";
    EXPECT_FALSE(GADPictureDimensionsOf(text, sizeof text));
    EXPECT_FALSE(GADPictureDimensionsOf(nullptr, 0));
}

// The cap is checked on the frame the decoder decodes. These files put a frame header behind
// an "FF 00", which libjpeg discards as a stuffed zero: a header walk of its own that takes it
// for a segment lands on a decoy frame header further on.
TEST_F(GADNativeAdImageTest, ADecoyFrameHeaderCannotSlipAFrameOverTheCapPastIt) {
    const std::string folder = MOVU_SOURCE_DIR "/fuzz/regressions/ads_native_picture/";
    const auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    // A 64 x 43 decoy in front of an 8000 x 8000 frame (64 M pixels, 256 MB decoded).
    const auto decoy = read(folder + "small-decoy-over-the-cap.jpg");
    ASSERT_EQ(decoy.size(), 117u);
    const auto claimed = GADPictureDimensionsOf(decoy.data(), decoy.size());
    ASSERT_TRUE(claimed);
    EXPECT_EQ(claimed->width, 8000u);
    EXPECT_EQ(claimed->height, 8000u);
    // Refused by the decoder's check on the header it read, before any pixels were reserved.
    platform::gfx::Image::DecodeFailure failure;
    EXPECT_FALSE(GADNativeAdImage::decodeImage(decoy, 1.0, "decoy", &failure));
    EXPECT_EQ(failure.kind, platform::gfx::Image::DecodeFailure::Kind::TooLarge);
    EXPECT_EQ(failure.width, 8000u);
    EXPECT_EQ(failure.height, 8000u);

    // Served as an ad's picture: the load fails as for any picture that gives none.
    serve("/decoy.jpg", decoy, "image/jpeg");
    auto picture = image("/decoy.jpg");
    const Outcome error = load(*picture);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(),
              "Failed to load " + picture->description() + ". Received 117 bytes.");
    EXPECT_FALSE(picture->image());

    // The file the fuzzer found: its decoy claims 65535 x 43, the frame decoded is 8 x 43,
    // and the size read is the size decoded.
    const auto found = read(folder + "stuffed-zero-decoy-frame.jpg");
    const auto foundSize = GADPictureDimensionsOf(found.data(), found.size());
    ASSERT_TRUE(foundSize);
    EXPECT_EQ(foundSize->width, 8u);
    EXPECT_EQ(foundSize->height, 43u);
    auto small = GADNativeAdImage::decodeImage(found, 1.0, "found");
    ASSERT_TRUE(small);
    EXPECT_EQ(small->pixels()->width(), 8);
    EXPECT_EQ(small->pixels()->height(), 43);
}

TEST_F(GADNativeAdImageTest, AttributionsReadEveryKeyWithItsDefault) {
    auto defaults = GADNativeAdAttribution::create(nullptr);
    EXPECT_FALSE(defaults->text());
    EXPECT_EQ(defaults->iconAnimationDuration(), 1.0);
    EXPECT_EQ(defaults->iconPresentationDuration(), 4.0);
    EXPECT_EQ(defaults->font().size, 12.0);
    EXPECT_EQ(defaults->textColor(), (platform::Color{12.0f / 255, 174.0f / 255, 206.0f / 255, 1}));
    EXPECT_EQ(defaults->backgroundColor(), (platform::Color{0.8f, 0.8f, 0.8f, 1}));
    EXPECT_TRUE(defaults->loadingImages().empty());

    const Value object = Value::dictionary(
        {{"text", Value("Ad")},
         {"animation_ms", Value(20)},
         {"presentation_ms", Value(2500)},
         {"text_size", Value(20)},
         {"text_color", Value::dictionary({{"r", Value(255)}, {"g", Value(0)}})},
         {"bg_color",
          Value::dictionary(
              {{"r", Value(300)}, {"g", Value(-5)}, {"b", Value(51)}, {"a", Value(2)}})},
         {"image", imageObject("https://x.test/one.png")}});
    auto attribution = GADNativeAdAttribution::create(&object);
    EXPECT_EQ(attribution->text(), "Ad");
    EXPECT_EQ(attribution->iconAnimationDuration(), 1.0);
    EXPECT_EQ(attribution->iconPresentationDuration(), 2.5);
    EXPECT_EQ(attribution->font().size, 20.0);
    EXPECT_EQ(attribution->textColor(), defaults->textColor());
    EXPECT_EQ(attribution->backgroundColor(), (platform::Color{1, 0, 0.2f, 1}));
    EXPECT_EQ(attribution->loadingImages().size(), 1u);

    // Sizes outside 1-72 points are the default; "images" wins over "image".
    for (const Value& size : {Value(0.5), Value(73), Value("20")}) {
        const Value odd = Value::dictionary({{"text_size", size}});
        EXPECT_EQ(GADNativeAdAttribution::create(&odd)->font().size, 12.0) << size.description();
    }
    const Value both =
        Value::dictionary({{"image", imageObject("https://x.test/one.png")},
                           {"images", Value::array({imageObject("https://x.test/a.png"),
                                                    imageObject("https://x.test/b.png")})}});
    auto icons = GADNativeAdAttribution::create(&both);
    ASSERT_EQ(icons->loadingImages().size(), 2u);
    EXPECT_EQ(icons->loadingImages()[0]->imageURL()->absoluteString(), "https://x.test/a.png");
}

TEST_F(GADNativeAdImageTest, AttributionIconsLoadOnceForEveryHandler) {
    const Value none;
    auto empty = GADNativeAdAttribution::create(&none);
    std::vector<std::pair<int, Outcome>> outcomes;
    empty->loadAssetsWithCompletionHandler([&](const Outcome& e) { outcomes.emplace_back(0, e); });
    EXPECT_TRUE(outcomes.empty());
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].second);
    EXPECT_EQ(server.requests().size(), 0u);
    outcomes.clear();

    const Value object =
        Value::dictionary({{"images", Value::array({imageObject(server.url("/picture.png")),
                                                    imageObject(server.url("/picture.jpg"))})}});
    auto attribution = GADNativeAdAttribution::create(&object);
    attribution->loadAssetsWithCompletionHandler(
        [&](const Outcome& e) { outcomes.emplace_back(1, e); });
    attribution->loadAssetsWithCompletionHandler(
        [&](const Outcome& e) { outcomes.emplace_back(2, e); });
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(outcomes[0].first, 1);
    EXPECT_EQ(outcomes[1].first, 2);
    EXPECT_FALSE(outcomes[0].second);
    EXPECT_EQ(attribution->icons().size(), 2u);
    EXPECT_EQ(server.requestCount("/picture.png"), 1u);
    EXPECT_EQ(server.requestCount("/picture.jpg"), 1u);
}

TEST_F(GADNativeAdImageTest, OneFailedIconFailsTheAttribution) {
    const Value object =
        Value::dictionary({{"images", Value::array({imageObject(server.url("/picture.png")),
                                                    imageObject(server.url("/missing.png"))})}});
    auto attribution = GADNativeAdAttribution::create(&object);
    std::vector<Outcome> outcomes;
    attribution->loadAssetsWithCompletionHandler([&](const Outcome& e) { outcomes.push_back(e); });
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !outcomes.empty(); }));
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return server.requests().size() == 2; }));
    scope.runUntilIdle();
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_TRUE(outcomes[0]);
    EXPECT_EQ(outcomes[0]->code, 2);
    EXPECT_TRUE(attribution->icons().empty());
}

}  // namespace
}  // namespace ads
