#include "ads/foundation/GADServiceOrigins.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADLog.h"
#include "platform/base/LogSink.h"
#include "platform/base/Value.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/PropertyList.h"
#include "platform/testing/TempDir.h"

namespace ads {
namespace {

using platform::Value;
using platform::testing::ScopedEnv;

class GADServiceOriginsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(platform::PropertyList::writeFile(
            bundle / "Info.plist",
            Value::dictionary({{kGADAdServerBundleKey, "https://bundled.example:8443/ignored?q"}}),
            platform::PropertyListFormat::Xml));
    }
    void TearDown() override { platform::Bundle::setMainBundlePath(std::nullopt); }

    platform::testing::TempDir bundle;
    platform::testing::TempDir empty;
};

TEST_F(GADServiceOriginsTest, VariableThenBundleThenTheHostThatNeverResolves) {
    ScopedEnv unset(kGADAdServerVariable, std::nullopt);
    platform::Bundle::setMainBundlePath(empty.path());
    EXPECT_EQ(GADAdServerOrigin().absoluteString(), "https://ads.movuroute.invalid");
    EXPECT_EQ(GADAdServerURL("/csi").absoluteString(), "https://ads.movuroute.invalid/csi");

    platform::Bundle::setMainBundlePath(bundle.path());
    EXPECT_EQ(GADAdServerOrigin().absoluteString(), "https://bundled.example:8443");
    {
        ScopedEnv loopback(kGADAdServerVariable, "HTTP://user@127.0.0.1:8766/path#frag");
        EXPECT_EQ(GADAdServerURL("/adpage/gen_204").absoluteString(),
                  "http://127.0.0.1:8766/adpage/gen_204");
    }
    {
        ScopedEnv ipv6(kGADAdServerVariable, "http://[::1]:9000");
        EXPECT_EQ(GADAdServerOrigin().absoluteString(), "http://[::1]:9000");
    }
}

TEST_F(GADServiceOriginsTest, AnythingButAnHttpURLWithAHostIsPassedOver) {
    platform::Bundle::setMainBundlePath(bundle.path());
    for (const char* bad : {"", "ftp://127.0.0.1", "file:///tmp/x", "http://", "not a url",
                            "127.0.0.1:8766", "javascript:alert(1)"}) {
        ScopedEnv env(kGADAdServerVariable, std::string(bad));
        EXPECT_EQ(GADAdServerOrigin().absoluteString(), "https://bundled.example:8443") << bad;
    }
    ASSERT_TRUE(platform::PropertyList::writeFile(
        empty / "Info.plist", Value::dictionary({{kGADAdServerBundleKey, Value(7)}}),
        platform::PropertyListFormat::Xml));
    platform::Bundle::setMainBundlePath(empty.path());
    ScopedEnv unset(kGADAdServerVariable, std::nullopt);
    EXPECT_EQ(GADAdServerOrigin().absoluteString(), kGADDefaultAdServerOrigin);
    // A path that does not form a URL leaves the origin alone instead of a broken address.
    EXPECT_EQ(GADAdServerURL("/a b").absoluteString(), kGADDefaultAdServerOrigin);
}

TEST_F(GADServiceOriginsTest, ABadSettingIsToldOncePerRunAndAgainWhenItChanges) {
    platform::Bundle::setMainBundlePath(empty.path());
    platform::LogSink::Capture logs;
    auto told = [&] {
        GADLogFlush();
        std::size_t n = 0;
        for (const auto& line : logs.lines())
            n += line.find(kGADAdServerVariable) != std::string::npos;
        return n;
    };
    {
        ScopedEnv env(kGADAdServerVariable, std::string("ad server told once"));
        // Every request looks the origin up.
        for (int i = 0; i < 4; ++i) GADAdServerURL("/adpage");
        EXPECT_EQ(told(), 1u);
    }
    ScopedEnv env(kGADAdServerVariable, std::string("ftp://told-again"));
    GADAdServerOrigin();
    GADAdServerOrigin();
    EXPECT_EQ(told(), 2u);
}

TEST_F(GADServiceOriginsTest, TheAPITakesPlainHttpOnlyToThisMachine) {
    platform::Bundle::setMainBundlePath(empty.path());
    platform::LogSink::Capture logs;
    const std::string fallback = kGADDefaultAdsAPIOrigin;
    {
        ScopedEnv unset(kGADAdsAPIVariable, std::nullopt);
        EXPECT_EQ(GADAdsAPIOrigin().absoluteString(), fallback);
        EXPECT_EQ(GADAdsAPIURL("/oauth2/v3/token").absoluteString(), fallback + "/oauth2/v3/token");
    }
    for (const char* good : {"http://127.0.0.1:8766", "http://localhost:99/ignored?x=1",
                             "http://[::1]:8766", "HTTPS://user:pw@tokens.example:444/path"}) {
        ScopedEnv env(kGADAdsAPIVariable, std::string(good));
        EXPECT_NE(GADAdsAPIOrigin().absoluteString(), fallback) << good;
    }
    {
        ScopedEnv env(kGADAdsAPIVariable, std::string("HTTPS://user:pw@tokens.example:444/path"));
        EXPECT_EQ(GADAdsAPIOrigin().absoluteString(), "https://tokens.example:444");
    }
    // A refresh token must never travel unencrypted over a network.
    for (const char* bad : {"http://tokens.example", "http://10.0.0.1:80",
                            "http://127.0.0.1.example", "ftp://[::1]"}) {
        ScopedEnv env(kGADAdsAPIVariable, std::string(bad));
        EXPECT_EQ(GADAdsAPIOrigin().absoluteString(), fallback) << bad;
    }
    // Said in the log, without the text itself (it may carry credentials).
    GADLogFlush();
    EXPECT_TRUE(logs.contains("MOVUROUTE_ADS_API is plain http"));
    EXPECT_FALSE(logs.contains("tokens.example"));

    EXPECT_TRUE(GADIsLoopbackHost("127.8.9.10"));
    EXPECT_TRUE(GADIsLoopbackHost("LocalHost"));
    EXPECT_FALSE(GADIsLoopbackHost("128.0.0.1"));
    EXPECT_FALSE(GADIsLoopbackHost("::2"));
}

}  // namespace
}  // namespace ads
