// The web service's command URLs: every field in the service's order and form, and the
// checksum the service recomputes (zlib's CRC-32 of the comma-joined values and the key).

#include "app/appcore/WebServiceUrls.h"

#include <cmath>

#include <gtest/gtest.h>

#include "app/screens/WebScore.h"

using namespace app;

namespace {

WebServiceUrls urls() {
    return WebServiceUrls({1023, "1.0", "key", std::string(31, '0') + "1", "Linux x86_64;8.4",
                           "http://127.0.0.1:9/iphone/"});
}

const std::string kArid = std::string(31, '0') + "1";

TEST(WebServiceUrlsTest, JumpCarriesTheTargetTheLevelAndTheChecksum) {
    EXPECT_EQ(urls().jump(2, 0, 1700000000.75),
              "http://127.0.0.1:9/iphone/cmd/jump?gid=1023&v=1.0&arid=" + kArid +
                  "&dt=1700000000&tgt=2&ha=1196041208&tn=Linux+x86_64%3B8.4&fv=20");
    EXPECT_EQ(urls().jump(6, 7, 1700000000),
              "http://127.0.0.1:9/iphone/cmd/jump?gid=1023&v=1.0&arid=" + kArid +
                  "&dt=1700000000&tgt=6&ha=3109955855&lid=7&tn=Linux+x86_64%3B8.4&fv=20");
}

TEST(WebServiceUrlsTest, ScoresWithAndWithoutHighScoreAndLevelHash) {
    EXPECT_EQ(urls().submitScore({500, 1700000000}, 3, WebScore{900, 1600000000}, true, -1),
              "http://127.0.0.1:9/iphone/cmd/postSc?gid=1023&v=1.0&lid=3&arid=" + kArid +
                  "&dt=1700000000&sc=500&ha=2628069636&dh=-1&hs=900&hsd=1600000000"
                  "&tn=Linux+x86_64%3B8.4&fv=20");
    // A date before 1970 wraps into the service's unsigned field.
    EXPECT_EQ(urls().submitScore({500, -1}, 3, std::nullopt, false, std::nullopt),
              "http://127.0.0.1:9/iphone/cmd/postSc?gid=1023&v=1.0&lid=3&arid=" + kArid +
                  "&dt=4294967295&sc=500&ha=1053476300&tn=Linux+x86_64%3B8.4&fv=20");
}

TEST(WebServiceUrlsTest, LevelDownloadAndDatesNoCountCanHold) {
    EXPECT_EQ(urls().downloadLevel(9, 12, 34),
              "http://127.0.0.1:9/iphone/cmd/downloadLevel?gid=1023&v=1.0&lid=9&arid=" + kArid +
                  "&dh=12&tk=34&ha=1792240174&tn=Linux+x86_64%3B8.4&fv=20");
    EXPECT_EQ(WebServiceUrls::secondsAsU32(1e300), 0u);
    EXPECT_EQ(WebServiceUrls::secondsAsU32(std::nan("")), 0u);
    EXPECT_EQ(WebServiceUrls::secondsAsU32(4294967296.0 + 5), 5u);
}

}  // namespace
