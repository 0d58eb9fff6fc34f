#include "platform/base/Geometry.h"

#include <gtest/gtest.h>

#include <numbers>

#include "platform/base/Color.h"

using platform::AffineTransform;
using platform::Color;
using platform::Point;
using platform::Rect;
using platform::Size;

TEST(Rect, StandardizeFlipsNegativeSizes) {
    Rect r(10, 20, -4, -6);
    EXPECT_EQ(r.standardized(), Rect(6, 14, 4, 6));
    EXPECT_EQ(r.minX(), 6);
    EXPECT_EQ(r.maxX(), 10);
    EXPECT_EQ(r.midX(), 8);
    EXPECT_EQ(r.minY(), 14);
    EXPECT_EQ(r.maxY(), 20);
    EXPECT_EQ(r.midY(), 17);
    EXPECT_EQ(r.width(), 4);
    EXPECT_TRUE(r.contains(Point{7, 15}));
    EXPECT_FALSE(r.contains(Point{10, 15}));  // max edge is outside
}

TEST(Rect, NullDiffersFromZero) {
    EXPECT_TRUE(Rect::null().isNull());
    EXPECT_FALSE(Rect::zero().isNull());
    EXPECT_TRUE(Rect::zero().isEmpty());
    EXPECT_FALSE(Rect::null() == Rect::zero());
    EXPECT_FALSE(Rect::null().contains(Point{0, 0}));
    EXPECT_EQ(Rect::null().unionWith(Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
    EXPECT_EQ(Rect::zero().unionWith(Rect(1, 2, 3, 4)), Rect(0, 0, 4, 6));
}

TEST(Rect, Intersection) {
    Rect a(0, 0, 10, 10);
    EXPECT_EQ(a.intersection(Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
    EXPECT_TRUE(a.intersection(Rect(20, 20, 1, 1)).isNull());
    EXPECT_TRUE(a.intersection(Rect::null()).isNull());
    EXPECT_TRUE(Rect::null().intersection(Rect::null()).isNull());
    // Touching edges meet in a line, not in nothing.
    Rect edge = a.intersection(Rect(10, 0, 5, 5));
    EXPECT_FALSE(edge.isNull());
    EXPECT_TRUE(edge.isEmpty());
    // Negative sizes are standardized first.
    EXPECT_EQ(a.intersection(Rect(15, 15, -10, -10)), Rect(5, 5, 5, 5));
    EXPECT_TRUE(a.contains(Rect(1, 1, 2, 2)));
    EXPECT_FALSE(a.contains(Rect(9, 9, 2, 2)));
    EXPECT_TRUE(a.intersects(Rect(9, 9, 2, 2)));
}

TEST(Rect, InsetOffsetIntegral) {
    EXPECT_EQ(Rect(0, 0, 10, 10).insetBy(2, 3), Rect(2, 3, 6, 4));
    EXPECT_TRUE(Rect(0, 0, 10, 10).insetBy(6, 0).isNull());
    EXPECT_EQ(Rect(0, 0, 10, 10).offsetBy(1, -1), Rect(1, -1, 10, 10));
    EXPECT_EQ(Rect(0.5, 0.5, 1, 1).integral(), Rect(0, 0, 2, 2));
}

TEST(AffineTransform, ComposeApplyInvert) {
    auto t = AffineTransform::translation(10, 0).scaled(2, 2);  // scale, then translate
    EXPECT_EQ(t.apply(Point{1, 1}), (Point{12, 2}));
    auto inv = t.inverted();
    Point back = inv.apply(Point{12, 2});
    EXPECT_DOUBLE_EQ(back.x, 1);
    EXPECT_DOUBLE_EQ(back.y, 1);
    EXPECT_TRUE(t.concat(inv).isIdentity());
    auto singular = AffineTransform::scale(0, 1);
    EXPECT_EQ(singular.inverted(), singular);
    auto rot = AffineTransform::rotation(std::numbers::pi / 2);
    Point p = rot.apply(Point{1, 0});
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12);
    Rect box = rot.apply(Rect(0, 0, 2, 1));
    EXPECT_NEAR(box.minX(), -1, 1e-12);
    EXPECT_NEAR(box.width(), 1, 1e-12);
    EXPECT_NEAR(box.height(), 2, 1e-12);
}

TEST(Color, PackedForms) {
    Color c = Color::fromARGB32(0x80FF0040);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 0.0f);
    EXPECT_NEAR(c.b, 64 / 255.0f, 1e-6);
    EXPECT_NEAR(c.a, 128 / 255.0f, 1e-6);
    EXPECT_EQ(c.toARGB32(), 0x80FF0040u);
    EXPECT_EQ(Color::rgba(2, -1, 0.5f, 1).toARGB32(), 0xFFFF0080u);  // clamped
}
