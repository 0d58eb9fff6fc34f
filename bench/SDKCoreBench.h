#pragma once

// What the benchmarks of the SDK core page share: the loopback ad server they ask, and a
// requester of banner ads for one unit that counts what the page answers. For the benchmarks
// only.

#include <stdlib.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/MainLoop.h"
#include "tools/ad_server/AdServer.h"

namespace bench {

// The server lives for the whole run, quiet, and the SDK finds it through the environment.
inline tools::adserver::AdServer& loopbackAdServer() {
    static auto* server = [] {
        platform::MainLoop::main().claim();
        auto* s = new tools::adserver::AdServer(0);
        ::setenv("MOVUROUTE_AD_SERVER", s->origin().c_str(), 1);
        return s;
    }();
    return *server;
}

class CoreRequester : public ads::GADSDKCoreControllerDelegate {
  public:
    explicit CoreRequester(std::string unit) : unit_(std::move(unit)) {}

    RequestParametersBuilder requestParametersWithRequestID(const std::string& id) override {
        return [unit = unit_, id] {
            return std::optional<platform::Value::Dictionary>(
                platform::Value::Dictionary{{"slotname", platform::Value(unit)},
                                            {"format", platform::Value("320x50_mb")},
                                            {"request_id", platform::Value(id)}});
        };
    }
    ads::GADRequestedAdType requestedAdType() override { return ads::GADRequestedAdType::Banner; }
    std::int64_t CSIIdentifier() override { return 1; }
    void loadAdURLWithParameters(const platform::Value::Dictionary&) override { ++answers; }
    void loadAd(const std::shared_ptr<ads::GADAd>&,
                const std::optional<platform::Value::Dictionary>&) override {
        ++answers;
    }
    void invalidJavaScriptRequest() override { ++failures; }
    void failedJavaScriptFile() override { ++failures; }
    void SDKCoreRequestDidTimeOut() override { ++failures; }

    // An ad URL or an ad.
    int answers = 0;
    // Anything else the page or the controller answered.
    int failures = 0;

  private:
    std::string unit_;
};

}  // namespace bench
