#include "ads/web/GADAdURLStash.h"

#include <gtest/gtest.h>

#include "platform/ui/View.h"

namespace ads {
namespace {

using platform::Url;
using platform::ui::View;

Url url(const char* text) {
    return *Url::parse(text);
}

std::string canonical(const char* text) {
    auto c = GADAdURLStash::canonicalURLForURL(url(text));
    return c ? c->absoluteString() : "<none>";
}

class GADAdURLStashTest : public ::testing::Test {
  protected:
    GADAdURLStashTest() { GADAdURLStash::removeAll(); }
    ~GADAdURLStashTest() override { GADAdURLStash::removeAll(); }
};

TEST_F(GADAdURLStashTest, CanonicalURLsLetABaseURLAndItsRefererMeet) {
    EXPECT_EQ(canonical("https://ads.test/page/"), "https://ads.test:80/page");
    EXPECT_EQ(canonical("https://ads.test/page#frag"), "https://ads.test:80/page");
    EXPECT_EQ(canonical("http://ads.test"), "http://ads.test:80");
    EXPECT_EQ(canonical("http://u@ads.test/?q=ads.test"), "http://u@ads.test:80/?q=ads.test");
    EXPECT_EQ(canonical("http://[::1]/a/"), "http://[::1]:80/a");
    // A port, or no host: as it is.
    EXPECT_EQ(canonical("http://127.0.0.1:8080/a/#f"), "http://127.0.0.1:8080/a/#f");
    EXPECT_EQ(canonical("about:blank"), "about:blank");
    EXPECT_EQ(canonical("file:///tmp/x/"), "file:///tmp/x/");

    auto view = View::create();
    GADAdURLStash::add(url("https://ads.test/page/"), view);
    EXPECT_EQ(GADAdURLStash::viewForURL(url("https://ads.test/page#top")), view);
    EXPECT_EQ(GADAdURLStash::viewForURL(url("https://ads.test:80/page")), view);
    EXPECT_EQ(GADAdURLStash::viewForURL(url("https://ads.test/other")), nullptr);
}

TEST_F(GADAdURLStashTest, ViewsAreHeldWeaklyAndRegisteredEachOnTheirOwn) {
    EXPECT_FALSE(GADAdURLStash::hasStashedURLs());
    auto first = View::create();
    auto second = View::create();
    const Url page = url("http://ads.test/mads/gma");
    GADAdURLStash::add(page, first);
    GADAdURLStash::add(page, second);
    GADAdURLStash::add(page, nullptr);
    EXPECT_EQ(GADAdURLStash::viewForURL(page), second);
    // The first view going leaves the second's registration.
    GADAdURLStash::remove(page, first.get());
    EXPECT_EQ(GADAdURLStash::viewForURL(page), second);
    GADAdURLStash::add(page, first);
    EXPECT_EQ(GADAdURLStash::viewForURL(page), first);
    first.reset();
    EXPECT_EQ(GADAdURLStash::viewForURL(page), second);
    EXPECT_TRUE(GADAdURLStash::hasStashedURLs());
    // A view that is gone is never answered, and leaves no stashed URL behind.
    second.reset();
    EXPECT_EQ(GADAdURLStash::viewForURL(page), nullptr);
    EXPECT_FALSE(GADAdURLStash::hasStashedURLs());
}

}  // namespace
}  // namespace ads
