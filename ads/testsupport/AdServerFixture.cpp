#include "ads/testsupport/AdServerFixture.h"

#include <cstdlib>

#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads::testing {

namespace {

// The SDK reads these for the ad server's origin and the vendor API's (token endpoint).
constexpr const char* kAdServerVariable = "MOVUROUTE_AD_SERVER";
constexpr const char* kApiVariable = "MOVUROUTE_ADS_API";

// Claims the main loop for the constructing thread before any server thread can touch it.
int claimMainLoop(int port) {
    platform::MainLoop::main();
    return port;
}

}  // namespace

AdServerFixture::AdServerFixture() : AdServerFixture(Options{}) {}

AdServerFixture::AdServerFixture(Options options) : server_(claimMainLoop(options.port)) {
    server_.log().setListener(
        [](const tools::adserver::LoggedRequest&) { platform::MainLoop::main().post([] {}); });
    if (options.pointSdkAtServer && server_.isRunning()) {
        setVariable(kAdServerVariable, savedAdServer_, changedAdServer_);
        setVariable(kApiVariable, savedApi_, changedApi_);
    }
}

AdServerFixture::~AdServerFixture() {
    server_.log().setListener(nullptr);
    server_.stop();
    if (changedAdServer_) restoreVariable(kAdServerVariable, savedAdServer_);
    if (changedApi_) restoreVariable(kApiVariable, savedApi_);
}

void AdServerFixture::setVariable(const char* name, std::optional<std::string>& saved,
                                  bool& changed) {
    if (const char* old = std::getenv(name)) saved = old;
    ::setenv(name, server_.origin().c_str(), 1);
    changed = true;
}

void AdServerFixture::restoreVariable(const char* name, const std::optional<std::string>& saved) {
    if (saved) {
        ::setenv(name, saved->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

bool AdServerFixture::waitOnMainLoop(tools::adserver::RequestKind kind, std::size_t count,
                                     double limitSeconds) {
    return waitOnMainLoopUntil([&] { return server_.log().count(kind) >= count; }, limitSeconds);
}

bool AdServerFixture::waitOnMainLoopUntil(const std::function<bool()>& condition,
                                          double limitSeconds) {
    return platform::testing::runMainLoopUntil(condition, limitSeconds);
}

bool AdServerFixture::waitWhileClockMoves(AdsTestScope& scope,
                                          const std::function<bool()>& condition,
                                          double limitSeconds) {
    return waitOnMainLoopUntil(
        [&] {
            scope.advance(0.05);
            return condition();
        },
        limitSeconds);
}

}  // namespace ads::testing
