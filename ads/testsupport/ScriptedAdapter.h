#pragma once

// A mediation adapter whose network does what a test scripts: a banner view, an
// interstitial or a native ad (an object the test gives), no fill, an error, or nothing at all,
// answered inside the request call or after a delay on the main loop (the test's manual clock).
// Each registration makes a fresh class name in the class registry, so tests never see each other's
// classes; the class is taken out again when the returned handle goes. Every instance records the
// calls it gets in the shared record, and the test can make any instance answer later (a late
// answer, a network's own refresh) or report screen events and clicks.
//
// Main thread only, like the adapters it stands for. Like a well-behaved adapter it keeps its
// connector weakly and stops calling it after stopBeingDelegate, unless the script says it
// misbehaves.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/testsupport/ScriptedClassRegistration.h"
#include "platform/base/Error.h"
#include "platform/base/Geometry.h"

namespace platform::ui {
class View;
}

namespace ads::testing {

class ScriptedAdapter : public GADMAdNetworkAdapterProtocol,
                        public std::enable_shared_from_this<ScriptedAdapter> {
  public:
    enum class Answer { View, Interstitial, NativeAd, NoFill, Error, Silence };

    struct Script {
        Answer answer = Answer::View;
        // Seconds on the main loop before answering; nothing answers inside the request call.
        std::optional<double> delay{};
        // Lists the loading calls; without them the class implements an old API.
        bool currentAPI = true;
        bool declaresProtocol = true;
        bool answersChangeAdSize = false;
        // Lists the native loading call; its answer NativeAd hands the connector nativeAd.
        bool answersNativeAd = false;
        std::shared_ptr<void> nativeAd{};
        std::optional<std::string> version{};
        std::optional<std::string> networkExtrasClass{};
        // Keeps its connector (until its next answer) and still answers after
        // stopBeingDelegate, as a faulty network library would.
        bool misbehaves = false;
        // Presenting reports will-present, and a test dismisses it with dismiss().
        bool presents = true;
    };

    // The colour a scripted banner view fills itself with.
    static constexpr std::uint32_t kViewColor = 0xff30a050;  // ARGB

    struct Record {
        std::vector<std::string> calls;
        std::vector<std::weak_ptr<ScriptedAdapter>> instances;
        std::shared_ptr<ScriptedAdapter> last() const;
    };

    // The registered class; unregistered when it goes.
    using Registration = ScriptedClassRegistration<Record>;

    static std::unique_ptr<Registration> registerClass(Script script, std::string prefix = "");

    ScriptedAdapter(std::string className, Script script, std::shared_ptr<Record> record);

    void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) override;
    void getBannerWithSize(const GADAdSize& size) override;
    void getInterstitial() override;
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(std::int64_t) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;
    void changeAdSizeTo(const GADAdSize& size) override;
    // Records "getNativeAdWithAdTypes:<types joined by ,>" and how many options came.
    void getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                const std::vector<std::shared_ptr<void>>& options) override;
    std::optional<std::string> adapterVersion() const override { return script_.version; }

    // Answers now, whatever the script said (nothing after stopBeingDelegate unless it
    // misbehaves).
    void answer(Answer answer);
    // Screen and click reports of a shown ad.
    void click();
    void leaveApplication();
    void presentFullScreenModal();
    void dismissFullScreenModal();
    // Only did-dismiss when `withWill` is false.
    void dismissInterstitial(bool withWill = true);
    void failPresenting(const platform::Error& error);

    const std::string& className() const { return className_; }
    bool stopped() const { return stopped_; }
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connector() const;
    const std::shared_ptr<platform::ui::View>& view() const { return view_; }

    static platform::Error noFillError();
    static platform::Error networkError();

  private:
    void asked(Answer answer);

    std::string className_;
    Script script_;
    std::shared_ptr<Record> record_;
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector_;
    std::shared_ptr<GADMAdNetworkConnectorProtocol> heldConnector_;
    std::shared_ptr<platform::ui::View> view_;
    GADAdSize size_{{320, 50}, 0};
    bool stopped_ = false;
};

}  // namespace ads::testing
