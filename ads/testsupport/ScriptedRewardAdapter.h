#pragma once

// A rewarded video adapter whose network does what a test scripts. Set-up succeeds, fails or
// says nothing, at once or after a delay on the main loop (the test's manual clock); an ad
// request fills, finds no fill, fails or stays silent, likewise. The shown ad then does what
// the test commands: open, start, reward, close, click, leave the app. Each registration makes
// a fresh class name declaring the rewarded video adapter protocol, taken out again when the
// handle goes; every instance records its calls ("init", "setUp:<user>", "request",
// "present", "stop") in the shared record.
//
// Main thread only. It keeps its connector weakly and calls nothing after stopBeingDelegate.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADMRewardBasedVideoAdNetworkAdapter.h"
#include "ads/testsupport/ScriptedClassRegistration.h"
#include "platform/base/Error.h"

namespace ads {
class GADAdReward;
}

namespace ads::testing {

class ScriptedRewardAdapter : public GADMRewardBasedVideoAdNetworkAdapter,
                              public std::enable_shared_from_this<ScriptedRewardAdapter> {
  public:
    enum class SetUp { Succeeds, Fails, Silence };
    enum class Answer { Fill, NoFill, Error, Silence };

    struct Script {
        SetUp setUp = SetUp::Succeeds;
        // Seconds on the main loop before the set-up answers; nothing: inside the call.
        std::optional<double> setUpDelay{};
        Answer answer = Answer::Fill;
        std::optional<double> answerDelay{};
        std::optional<std::string> networkExtrasClass{};
    };

    struct Record {
        std::vector<std::string> calls;
        std::vector<std::weak_ptr<ScriptedRewardAdapter>> instances;
        std::shared_ptr<ScriptedRewardAdapter> last() const;
    };

    class Registration : public ScriptedClassRegistration<Record> {
      public:
        using ScriptedClassRegistration<Record>::ScriptedClassRegistration;
        // Changes what instances made from now on, and the ones alive, do next.
        void setScript(const Script& script) { *script_ = script; }

      private:
        friend class ScriptedRewardAdapter;
        std::shared_ptr<Script> script_ = std::make_shared<Script>();
    };

    static std::unique_ptr<Registration> registerClass(Script script, std::string prefix = "");

    ScriptedRewardAdapter(std::shared_ptr<const Script> script, std::shared_ptr<Record> record)
        : script_(std::move(script)), record_(std::move(record)) {}

    void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMRewardBasedVideoAdNetworkConnectorProtocol> connector) override;
    void setUpWithUserID(const std::string& userID) override;
    void requestRewardBasedVideoAd() override;
    void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;
    void stopBeingDelegate() override;

    // Answers now, whatever the script said.
    void finishSetUp(SetUp outcome);
    void answer(Answer answer);
    // The shown ad's reports.
    void open();
    void start();
    void reward(const std::shared_ptr<const GADAdReward>& reward);
    void close();
    void click();
    void leaveApplication();

    std::shared_ptr<GADMRewardBasedVideoAdNetworkConnectorProtocol> connector() const;
    bool stopped() const { return stopped_; }

    static platform::Error setUpError();
    static platform::Error noFillError();

  private:
    std::shared_ptr<const Script> script_;
    std::shared_ptr<Record> record_;
    std::weak_ptr<GADMRewardBasedVideoAdNetworkConnectorProtocol> connector_;
    bool stopped_ = false;
};

}  // namespace ads::testing
