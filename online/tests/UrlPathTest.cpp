#include "online/UrlPath.h"

#include <gtest/gtest.h>

using namespace online;

// Links from web pages are written by hand: a trailing slash must not change the route.
TEST(UrlPathTest, TrailingSlashNamesTheSameRoute) {
    EXPECT_EQ(UrlPathOf("movuroute://app/startTitle/"), "/startTitle");
    EXPECT_EQ(UrlPathOf("movuroute://app/startLevel/?lid=3&dh=-1"), "/startLevel");
    EXPECT_EQ(UrlPathOf("movuroute://app/announceManager/deleteCacheFiles/#f"),
              "/announceManager/deleteCacheFiles");
    // The root stays the root; the manager's prefix alone is no command.
    EXPECT_EQ(UrlPathOf("movuroute://app/"), "/");
    EXPECT_EQ(UrlPathOf("movuroute://app/announceManager/"), "/announceManager");
}
