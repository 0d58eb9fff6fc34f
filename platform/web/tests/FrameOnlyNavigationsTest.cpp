#include "platform/web/FrameOnlyNavigations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::web;

namespace {

TEST(FrameOnlyNavigationsTest, OnlyTheWordOnANumberStillWaitingCountsAndOnlyOnce) {
    FrameOnlyNavigations<std::string> waiting;
    const auto picture = waiting.add("picture");
    const auto shop = waiting.add("shop");
    const auto tile = waiting.add("tile");
    // A frame's is forgotten, the page's own comes back; neither a second time.
    EXPECT_EQ(waiting.settle(picture, false), std::nullopt);
    EXPECT_EQ(waiting.settle(shop, true), "shop");
    EXPECT_EQ(waiting.settle(shop, true), std::nullopt);
    EXPECT_EQ(waiting.settle(picture, true), std::nullopt);
    // A number never given, as a web process taken over might send.
    EXPECT_EQ(waiting.settle(0, true), std::nullopt);
    EXPECT_EQ(waiting.settle(~std::uint64_t{0}, true), std::nullopt);
    EXPECT_TRUE(waiting.contains(tile));
    EXPECT_EQ(waiting.takeAll(), std::vector<std::string>{"tile"});
    EXPECT_TRUE(waiting.empty());
    // Numbers are never given twice, so one forgotten cannot name a later navigation.
    EXPECT_GT(waiting.add("next"), tile);
}

TEST(FrameOnlyNavigationsTest, EachSideKeepsItsNewestAndTheWebProcessTakesAddressesOldestFirst) {
    FrameOnlyNavigations<int> program;
    std::uint64_t first = 0;
    for (int n = 0; n < int(kMostWaitingFrameOnlyNavigations) + 10; ++n) {
        const auto number = program.add(n);
        if (n == 0) first = number;
    }
    EXPECT_EQ(program.size(), kMostWaitingFrameOnlyNavigations);
    EXPECT_FALSE(program.contains(first));
    EXPECT_EQ(program.takeAll().front(), 10);

    FrameOnlyRequests process;
    process.add(1, "http://a.test/x");
    process.add(2, "http://a.test/y");
    process.add(3, "http://a.test/x");
    EXPECT_EQ(process.take("http://a.test/x"), 1u);
    EXPECT_EQ(process.take("http://a.test/x"), 3u);
    EXPECT_EQ(process.take("http://a.test/x"), std::nullopt);
    for (std::uint64_t n = 10; n < 10 + kMostWaitingFrameOnlyNavigations; ++n)
        process.add(n, "http://a.test/z");
    EXPECT_EQ(process.take("http://a.test/y"), std::nullopt);
    process.clear();
    EXPECT_TRUE(process.empty());
}

TEST(FrameOnlyNavigationsTest, ARequestIsThePagesOwnWhenItsDestinationOrElseItsAddressSaysSo) {
    const char* document = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
    const std::string page = "http://ads.test/ad#top";
    // Where WebKit names the destination, it decides.
    EXPECT_EQ(requestTarget("document", "", "http://land.test/", page), RequestTarget::Page);
    EXPECT_EQ(requestTarget("iframe", document, "http://ads.test/ad", page), RequestTarget::Frame);
    EXPECT_EQ(requestTarget("frame", document, "http://x.test/", page), RequestTarget::Frame);
    EXPECT_EQ(requestTarget("image", document, "http://x.test/", page),
              RequestTarget::NotADocument);
    // Without it, a document for the page's address (fragments aside) is the page's own.
    EXPECT_EQ(requestTarget("", document, "http://ads.test/ad", page), RequestTarget::Page);
    EXPECT_EQ(requestTarget("", document, "http://ads.test/ad#shop", page), RequestTarget::Page);
    EXPECT_EQ(requestTarget("", document, "http://ads.test/ad?n=2", page), RequestTarget::Frame);
    EXPECT_EQ(requestTarget("", "image/png,image/*", "http://ads.test/ad", page),
              RequestTarget::NotADocument);
    EXPECT_EQ(requestTarget("", "", "http://ads.test/ad", page), RequestTarget::NotADocument);
}

}  // namespace
