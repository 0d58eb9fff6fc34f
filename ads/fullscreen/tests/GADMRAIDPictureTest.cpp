#include "ads/fullscreen/GADMRAIDPicture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ads/testsupport/AdsTestScope.h"
#include "platform/base/LogSink.h"
#include "platform/gfx/Image.h"
#include "platform/services/PhotoAlbum.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Url;

class Outcomes : public GADMRAIDPictureDelegate {
  public:
    void MRAIDPictureDidStorePictureWithURL(GADMRAIDPicture&, const Url& url) override {
        lines.push_back("stored " + url.absoluteString());
    }
    void MRAIDPictureFailedToStorePictureWithURL(GADMRAIDPicture&, const std::optional<Url>&,
                                                 const std::string& message) override {
        lines.push_back(message);
    }
    std::vector<std::string> lines;
};

std::vector<std::uint8_t> seed(const std::string& name) {
    std::ifstream in(MOVU_SOURCE_DIR "/fuzz/regressions/ads_native_picture/" + name,
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Downloads and stores the picture as after the user's "Save", with no one else holding it;
// what its delegate heard.
std::vector<std::string> store(const Url& url) {
    auto picture = GADMRAIDPicture::create(url);
    auto outcomes = std::make_shared<Outcomes>();
    picture->setDelegate(outcomes);
    picture->downloadImageWithURL(url);
    picture.reset();
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return !outcomes->lines.empty(); }));
    return outcomes->lines;
}

// A 64 x 43 decoy frame header that a walk of our own found (it took the "FF 00" that libjpeg
// discards for a segment) in front of the 8000 x 8000 frame libjpeg decodes: 64 M pixels,
// over the 40 M a stored picture may have, but within every side limit.
TEST(GADMRAIDPictureTest, ADecoyFrameHeaderCannotSlipAPictureOverTheLimitsPastThem) {
    const auto decoy = seed("small-decoy-over-the-cap.jpg");
    ASSERT_EQ(decoy.size(), 117u);
    const auto size = GADMRAIDPicture::pictureDimensions(decoy);
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, std::make_pair(8000u, 8000u));
    // The limits went down to the decoder, which refused on the frame's size from the header.
    const auto decoded = GADMRAIDPicture::decodePicture(decoy);
    ASSERT_TRUE(std::holds_alternative<std::string>(decoded));
    EXPECT_EQ(std::get<std::string>(decoded), "The picture is too large (8000 x 8000 pixels).");

    // The whole way, as after the user's "Save": downloaded, refused, nothing in the album.
    ads::testing::AdsTestScope scope;
    platform::testing::TempDir pictures;
    platform::testing::ScopedEnv album{platform::services::PhotoAlbum::kPicturesVariable,
                                       pictures.path().string()};
    platform::testing::TestHttpServer server;
    server.text("/decoy.jpg", std::string(decoy.begin(), decoy.end()), 200, "image/jpeg");
    const auto url = *Url::parse(server.url("/decoy.jpg"));
    const auto outcome = store(url);
    EXPECT_EQ(
        outcome,
        (std::vector<std::string>{"Failed to load " + url.absoluteString() +
                                  ". Error: The picture is too large (8000 x 8000 pixels)."}));
    std::error_code ignored;
    EXPECT_TRUE(std::filesystem::is_empty(pictures.path(), ignored));

    // The fuzzer's file claims 65535 x 43 to such a walk; the frame decoded, and reported, is
    // 8 x 43, which a stored picture may be.
    const auto found = seed("stuffed-zero-decoy-frame.jpg");
    EXPECT_EQ(GADMRAIDPicture::pictureDimensions(found), std::make_pair(8u, 43u));
    const auto small = GADMRAIDPicture::decodePicture(found);
    ASSERT_TRUE(std::holds_alternative<platform::gfx::Image>(small));
    EXPECT_EQ(std::get<platform::gfx::Image>(small).width(), 8);
}

// The album's folder lies inside the user's home: why saving failed goes to the log, and the
// creative hears only that it did.
TEST(GADMRAIDPictureTest, AnAlbumThatRefusesThePictureIsNotNamedToTheCreative) {
    ads::testing::AdsTestScope scope;
    platform::testing::TempDir home;
    const auto blocked = home.path() / "Pictures";
    std::ofstream(blocked) << "a file where the album's folder goes";
    platform::testing::ScopedEnv album{platform::services::PhotoAlbum::kPicturesVariable,
                                       (blocked / "Movuroute").string()};
    platform::testing::TestHttpServer server;
    const auto png = platform::gfx::Image::blank(2, 2).encodePng();
    server.text("/small.png", std::string(png.begin(), png.end()), 200, "image/png");
    const auto url = *Url::parse(server.url("/small.png"));
    platform::LogSink::Capture log;
    const auto outcome = store(url);
    EXPECT_EQ(outcome,
              (std::vector<std::string>{"Failed to load " + url.absoluteString() +
                                        ". Error: The picture could not be saved to the album."}));
    EXPECT_TRUE(log.contains(blocked.string())) << ::testing::PrintToString(log.lines());
}

}  // namespace
}  // namespace ads
