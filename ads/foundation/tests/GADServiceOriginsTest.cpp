#include "ads/foundation/GADServiceOrigins.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ads
