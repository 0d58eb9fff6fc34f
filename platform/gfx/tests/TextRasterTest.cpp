#include "platform/gfx/TextRaster.h"

#include <gtest/gtest.h>

namespace platform::gfx {
namespace {

struct Ink {
    int left = -1, right = -1, top = -1, bottom = -1;  // inclusive bounds, -1 when empty
    long total = 0;
};

Ink inkOf(const std::vector<std::uint8_t>& bitmap, int width, int height) {
    Ink ink;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = bitmap[size_t(y) * width + x];
            if (v < 64) continue;
            ink.total += v;
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
            if (ink.top < 0) ink.top = y;
            ink.bottom = y;
        }
    return ink;
}

TextRaster::Style style(TextAlignment alignment, double size = 20, std::string font = "Arial") {
    return TextRaster::Style{std::move(font), size, alignment};
}

TEST(TextRaster, MapsFontNamesToDebianFaces) {
    EXPECT_NE(TextRaster::fontPathFor("Arial").find("LiberationSans-Regular"), std::string::npos);
    EXPECT_NE(TextRaster::fontPathFor("Helvetica").find("LiberationSans-Regular"),
              std::string::npos);
    EXPECT_NE(TextRaster::fontPathFor("Arial-BoldMT").find("LiberationSans-Bold"),
              std::string::npos);
    EXPECT_NE(TextRaster::fontPathFor("Helvetica-Bold").find("LiberationSans-Bold"),
              std::string::npos);
    EXPECT_FALSE(TextRaster::fontPathFor("NoSuchFont").empty()) << "unknown names still get a face";
}

TEST(TextRaster, AlignsEachLineInTheBox) {
    const int w = 200, h = 40;
    auto& raster = TextRaster::shared();
    const Ink left = inkOf(raster.render("Score: 42", w, h, style(TextAlignment::Left)), w, h);
    const Ink centre = inkOf(raster.render("Score: 42", w, h, style(TextAlignment::Center)), w, h);
    const Ink right = inkOf(raster.render("Score: 42", w, h, style(TextAlignment::Right)), w, h);
    ASSERT_GT(left.total, 0);
    EXPECT_LE(left.left, 2);
    EXPECT_GE(right.right, w - 3);
    EXPECT_NEAR(centre.left, w - 1 - centre.right, 2) << "centred ink has equal margins";
    EXPECT_NEAR(centre.left, (left.left + right.left) / 2, 2);
    // Same text, same shape: only the position changes.
    EXPECT_EQ(left.right - left.left, right.right - right.left);
    EXPECT_NEAR(double(left.total), double(right.total), left.total * 0.02);
    // Laid out from the top: the capital's top sits a few pixels below the box's top.
    EXPECT_GE(left.top, 1);
    EXPECT_LE(left.top, 8);
}

TEST(TextRaster, WrapsAtSpacesAndBreaksLongWords) {
    auto& raster = TextRaster::shared();
    const auto s = style(TextAlignment::Left, 16);
    EXPECT_EQ(raster.wrap("Run along the road", 1000, s),
              std::vector<std::string>{"Run along the road"});
    const auto lines = raster.wrap("Run along the road and get hamburgers.", 120, s);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "Run along the");
    for (const auto& line : lines) {
        EXPECT_FALSE(line.empty());
        EXPECT_NE(line.back(), ' ');
        EXPECT_NE(line.front(), ' ');
    }
    EXPECT_EQ(raster.wrap("Tilt the device\nleft", 1000, s),
              (std::vector<std::string>{"Tilt the device", "left"}));
    const auto broken = raster.wrap("Supercalifragilistic", 40, s);
    ASSERT_GT(broken.size(), 1u);
    std::string joined;
    for (const auto& part : broken) joined += part;
    EXPECT_EQ(joined, "Supercalifragilistic") << "a long word is split, nothing is lost";
}

TEST(TextRaster, DrawsWrappedLinesDownwardsAndClipsToTheBox) {
    auto& raster = TextRaster::shared();
    const int w = 60, h = 100;
    const Ink one = inkOf(raster.render("Go", w, h, style(TextAlignment::Left, 16)), w, h);
    const Ink two = inkOf(raster.render("Go go go go", w, h, style(TextAlignment::Left, 16)), w, h);
    EXPECT_GT(two.bottom, one.bottom + 10) << "the second line lies below the first";

    // A box one line high keeps the first line only, and no ink leaves the box.
    std::vector<std::uint8_t> bitmap(128 * 64, 0);
    raster.render("Go go go go go go", 50, 20, style(TextAlignment::Left, 16), bitmap.data(), 128,
                  64);
    const Ink clipped = inkOf(bitmap, 128, 64);
    EXPECT_GT(clipped.total, 0);
    EXPECT_LT(clipped.right, 50);
    EXPECT_LT(clipped.bottom, 20);
}

TEST(TextRaster, SurvivesOddInput) {
    auto& raster = TextRaster::shared();
    const auto s = style(TextAlignment::Center, 18);
    // Broken UTF-8, characters Liberation lacks (DejaVu stands in), empty text and empty boxes.
    const std::string odd = std::string("a\xff\xfe b \xe2\x86\x92 \xe2\x98\x83 ") + "\xc3";
    const Ink ink = inkOf(raster.render(odd, 200, 30, s), 200, 30);
    EXPECT_GT(ink.total, 0);
    EXPECT_EQ(inkOf(raster.render("", 50, 20, s), 50, 20).total, 0);
    EXPECT_TRUE(raster.render("x", 0, 0, s).empty());
    EXPECT_TRUE(raster.render("x", -5, 10, s).empty());
    EXPECT_EQ(inkOf(raster.render("x", 20, 20, style(TextAlignment::Left, 0)), 20, 20).total, 0);
    std::vector<std::uint8_t> tiny(1, 0);
    EXPECT_TRUE(raster.render("wide text", 1e9, 1e9, s, tiny.data(), 1, 1));
}

TEST(TextRaster, MeasuresAndKernsWithTheFont) {
    auto& raster = TextRaster::shared();
    const auto s = style(TextAlignment::Left, 40);
    const double a = raster.measure("A", s), v = raster.measure("V", s), h = raster.measure("H", s);
    EXPECT_GT(a, 20);
    EXPECT_LT(a, 30);
    // Liberation Sans sets "AV" closer than its two letters side by side; "AH" has no kerning.
    EXPECT_LT(raster.measure("AV", s), a + v - 1.5);
    EXPECT_DOUBLE_EQ(raster.measure("AH", s), a + h);
    EXPECT_DOUBLE_EQ(raster.measure("AH\nV", s), a + h) << "the widest line counts";
    EXPECT_EQ(raster.measure("", s), 0);
    // Measuring and wrapping agree: the measured width is just enough for one line.
    const std::string text = "Score: 1234";
    const double width = raster.measure(text, s);
    EXPECT_EQ(raster.wrap(text, width, s).size(), 1u);
    EXPECT_EQ(raster.wrap(text, width - 1, s).size(), 2u);
}

TEST(TextRaster, BoldFaceInksMore) {
    auto& raster = TextRaster::shared();
    const Ink regular =
        inkOf(raster.render("+100", 100, 30, style(TextAlignment::Left, 22)), 100, 30);
    const Ink bold = inkOf(
        raster.render("+100", 100, 30, style(TextAlignment::Left, 22, "Arial-BoldMT")), 100, 30);
    EXPECT_GT(bold.total, regular.total * 1.15);
}

}  // namespace
}  // namespace platform::gfx
