#pragma once

// Our loopback ad server (tools/ad_server) started for one test, with the SDK pointed at it.
// Construct it on the test's main thread: it claims the main loop there, because the server's
// threads wake that loop whenever they record a request. While it lives, MOVUROUTE_AD_SERVER
// and MOVUROUTE_ADS_API name the server (unless told otherwise); destruction stops the server,
// lets go of every stalled answer and puts both variables back as they were.
//
//   ads::testing::AdServerFixture ads;
//   ads.server().setScenario("ca-movu-banner", tools::adserver::AdScenario::noFill(30));
//   ... start a load ...
//   ASSERT_TRUE(ads.waitOnMainLoop(tools::adserver::RequestKind::AdRequest, 1));

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "ads/testsupport/AdsTestScope.h"
#include "tools/ad_server/AdServer.h"

namespace ads::testing {

class AdServerFixture {
  public:
    struct Options {
        bool pointSdkAtServer = true;  // set the two environment variables
        int port = 0;                  // 0: a free port
    };

    AdServerFixture();
    explicit AdServerFixture(Options options);
    ~AdServerFixture();
    AdServerFixture(const AdServerFixture&) = delete;
    AdServerFixture& operator=(const AdServerFixture&) = delete;

    tools::adserver::AdServer& server() { return server_; }
    tools::adserver::RequestLog& log() { return server_.log(); }
    std::string origin() const { return server_.origin(); }

    // Turns the main loop (so SDK work runs) until the server has recorded `count` requests
    // of the kind, or the condition holds; false when `limitSeconds` of real time passed
    // first. Each recorded request wakes the loop, so nothing waits longer than it must. The
    // default limits only end a test that went wrong: a sanitizer build beside twice a
    // developer's other work takes several times as long as a quiet one to load an ad.
    bool waitOnMainLoop(tools::adserver::RequestKind kind, std::size_t count,
                        double limitSeconds = 30);
    bool waitOnMainLoopUntil(const std::function<bool()>& condition, double limitSeconds = 30);
    // The same while the test's clock moves 50 ms a turn, so the SDK's timers and animations
    // run as the pages load in real time.
    bool waitWhileClockMoves(AdsTestScope& scope, const std::function<bool()>& condition,
                             double limitSeconds = 40);

  private:
    void setVariable(const char* name, std::optional<std::string>& saved, bool& changed);
    static void restoreVariable(const char* name, const std::optional<std::string>& saved);

    tools::adserver::AdServer server_;
    std::optional<std::string> savedAdServer_;
    std::optional<std::string> savedApi_;
    bool changedAdServer_ = false;
    bool changedApi_ = false;
};

}  // namespace ads::testing
