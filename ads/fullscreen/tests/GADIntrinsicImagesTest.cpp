#include "ads/fullscreen/GADIntrinsicImages.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADIntrinsicImageData.h"
#include "platform/gfx/Image.h"

using ads::GADIntrinsicImages;

namespace {

int pixels(const platform::ui::ImagePtr& image) {
    return image && image->pixels() ? image->pixels()->width() : 0;
}

}  // namespace

TEST(GADIntrinsicImagesTest, EachDensityGetsItsArtwork) {
    auto plain = GADIntrinsicImages::create(1.0);
    EXPECT_EQ(pixels(plain->closeButton()), 25);
    EXPECT_EQ(pixels(plain->browserBackButton()), 27);
    EXPECT_EQ(pixels(plain->browserForwardButton()), 27);
    EXPECT_EQ(plain->closeButton()->size(), (platform::Size{25, 25}));
    EXPECT_EQ(plain->closeButton(), plain->closeButton());  // made once

    for (double density : {2.0, 3.0}) {
        auto sharp = GADIntrinsicImages::create(density);
        EXPECT_EQ(pixels(sharp->closeButton()), 50) << density;
        EXPECT_EQ(pixels(sharp->browserBackButton()), 54) << density;
        EXPECT_EQ(pixels(sharp->browserForwardButton()), 54) << density;
        EXPECT_DOUBLE_EQ(sharp->closeButton()->scale(), density);
        EXPECT_DOUBLE_EQ(sharp->closeButton()->size().width, 50 / density);
        auto clear = sharp->transparentImage();
        EXPECT_EQ(clear->size(), (platform::Size{10, 10}));
        EXPECT_EQ(pixels(clear), static_cast<int>(10 * density));
        EXPECT_EQ(clear->pixels()->pixel(3, 3)[3], 0);
    }
}

TEST(GADIntrinsicImagesTest, TheCloseButtonShowsOnAnyAd) {
    // A light cross on a dark disc: readable over light and dark creatives alike.
    auto image = GADIntrinsicImages::create(2.0)->closeButton()->pixels();
    ASSERT_TRUE(image);
    const auto* centre = image->pixel(25, 25);
    EXPECT_GT(centre[0], 200);
    EXPECT_EQ(centre[3], 255);
    const auto* disc = image->pixel(25, 12);
    EXPECT_LT(disc[0], 60);
    EXPECT_GT(disc[3], 100);
    EXPECT_EQ(image->pixel(0, 0)[3], 0);  // round: the corners are clear
}

TEST(GADIntrinsicImagesTest, OnlyBase64OfAPngMakesAPicture) {
    auto images = GADIntrinsicImages::create(1.0);
    EXPECT_EQ(images->imageWithBase64EncodedString("not base64!"), nullptr);
    EXPECT_EQ(images->imageWithBase64EncodedString("aGVsbG8="), nullptr);  // "hello"
    EXPECT_NE(images->imageWithBase64EncodedString(ads::GADIntrinsicImageData::kCloseButton),
              nullptr);
    EXPECT_STREQ(images->chooseImage("one", "two"), "one");
    EXPECT_STREQ(GADIntrinsicImages::create(3.0)->chooseImage("one", "two"), "two");
}
