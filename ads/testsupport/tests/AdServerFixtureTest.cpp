// The fixture as an SDK test uses it: the SDK finds the server through the environment, and a
// test turning the main loop hears of each request as it arrives.

#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "ads/testsupport/AdServerFixture.h"
#include "platform/runtime/MainLoop.h"

namespace {

using ads::testing::AdServerFixture;
using tools::adserver::RequestKind;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "<unset>";
}

TEST(AdServerFixtureTest, PointsTheSdkAtTheServerAndPutsTheEnvironmentBack) {
    ::setenv("MOVUROUTE_AD_SERVER", "https://before.invalid", 1);
    ::unsetenv("MOVUROUTE_ADS_API");
    {
        AdServerFixture fixture;
        ASSERT_TRUE(fixture.server().isRunning());
        EXPECT_EQ(variable("MOVUROUTE_AD_SERVER"), fixture.origin());
        EXPECT_EQ(variable("MOVUROUTE_ADS_API"), fixture.origin());
        {
            AdServerFixture quiet(AdServerFixture::Options{.pointSdkAtServer = false});
            EXPECT_EQ(variable("MOVUROUTE_AD_SERVER"), fixture.origin());
        }
    }
    EXPECT_EQ(variable("MOVUROUTE_AD_SERVER"), "https://before.invalid");
    EXPECT_EQ(variable("MOVUROUTE_ADS_API"), "<unset>");
    ::unsetenv("MOVUROUTE_AD_SERVER");
}

TEST(AdServerFixtureTest, WaitingTurnsTheMainLoopUntilTheRequestsArrive) {
    platform::MainLoop::main().reset();
    AdServerFixture fixture;
    bool mainLoopWorkRan = false;
    platform::MainLoop::main().post([&] { mainLoopWorkRan = true; });
    std::thread pinger([port = fixture.server().port()] {
        httplib::Client client("127.0.0.1", port);
        client.Get("/mads/imp?slot=a&ad=1");
        client.Get("/mads/imp?slot=a&ad=2");
    });
    EXPECT_TRUE(fixture.waitOnMainLoop(RequestKind::Impression, 2));
    pinger.join();
    EXPECT_TRUE(mainLoopWorkRan);
    EXPECT_FALSE(fixture.waitOnMainLoop(RequestKind::Click, 1, 0.05));
}

}  // namespace
