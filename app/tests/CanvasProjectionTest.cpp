#include "app/gameview/CanvasProjection.h"

#include <gtest/gtest.h>

namespace ui = platform::ui;

using app::CanvasProjection;

TEST(CanvasProjection, OneTurnRuleForEveryOrientation) {
    const platform::Point p{1, 2};
    EXPECT_EQ(app::turnedFor(ui::OrientationPortrait, p), (platform::Point{1, 2}));
    EXPECT_EQ(app::turnedFor(ui::OrientationLandscapeRight, p), (platform::Point{-2, 1}));
    EXPECT_EQ(app::turnedFor(ui::OrientationPortraitUpsideDown, p), (platform::Point{-1, -2}));
    EXPECT_EQ(app::turnedFor(ui::OrientationLandscapeLeft, p), (platform::Point{2, -1}));
    EXPECT_EQ(app::turnedFor(ui::InterfaceOrientation(9), p), p);
    EXPECT_FALSE(CanvasProjection(ui::OrientationLandscapeLeft, true).sideways());
    EXPECT_TRUE(CanvasProjection(ui::OrientationLandscapeLeft, false).sideways());
}

TEST(CanvasProjection, LetterboxKeepsTheShapeAndCentresTheRest) {
    const CanvasProjection upright(ui::OrientationPortrait, false);
    // A 320x480 scene on a 640x480 screen: full height, bars left and right.
    EXPECT_EQ(upright.letterbox({320, 480}, {640, 480}), (platform::Rect{160, 0, 320, 480}));
    // On a tall screen: full width, bars above and below.
    EXPECT_EQ(upright.letterbox({320, 480}, {320, 960}), (platform::Rect{0, 240, 320, 480}));
    // Lying on its side, the same scene fills a 480x320 screen.
    const CanvasProjection sideways(ui::OrientationLandscapeRight, false);
    EXPECT_EQ(sideways.letterbox({320, 480}, {480, 320}), (platform::Rect{0, 0, 480, 320}));
}

TEST(CanvasProjection, GlTurnAndTouchesAgreeOnTheCanvasCorners) {
    EXPECT_FALSE(CanvasProjection(ui::OrientationPortrait, false).glProjection({0, 480}));
    auto right = CanvasProjection(ui::OrientationLandscapeRight, false).glProjection({320, 480});
    ASSERT_TRUE(right);
    EXPECT_EQ(right->width, 480);
    EXPECT_EQ(right->height, 320);
    EXPECT_EQ(right->translateY, 320);
    EXPECT_EQ(right->degrees, -90);
    auto upsideDown =
        CanvasProjection(ui::OrientationPortraitUpsideDown, false).glProjection({320, 480});
    ASSERT_TRUE(upsideDown);
    EXPECT_EQ(upsideDown->degrees, 180);
    EXPECT_EQ(upsideDown->translateX, 320);

    // A view of 160x240 canvas-sized points showing a 320x480 scene, turned right: its
    // top-left point is the scene's bottom-left, its far corner the scene's top-right.
    const CanvasProjection projection(ui::OrientationLandscapeRight, false);
    const platform::Size view{160, 240};
    EXPECT_EQ(projection.toCanvas({0, 0}, view, platform::Size{320, 480}),
              (platform::Point{0, 480}));
    EXPECT_EQ(projection.toCanvas({240, 160}, view, platform::Size{320, 480}),
              (platform::Point{320, 0}));
    // No scene yet: turned but not scaled.
    EXPECT_EQ(projection.toCanvas({10, 20}, view, std::nullopt), (platform::Point{20, 230}));
}
