#include "ads/testsupport/ScriptedRewardAdapter.h"

#include <atomic>

#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnectorProtocol.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"

namespace ads::testing {

std::shared_ptr<ScriptedRewardAdapter> ScriptedRewardAdapter::Record::last() const {
    return instances.empty() ? nullptr : instances.back().lock();
}

std::unique_ptr<ScriptedRewardAdapter::Registration> ScriptedRewardAdapter::registerClass(
    Script script, std::string prefix) {
    static std::atomic<int> counter{0};
    const std::string name =
        (prefix.empty() ? "ScriptedRewardAdapter" : prefix) + std::to_string(++counter);
    auto registration = std::make_unique<Registration>(name, std::make_shared<Record>());
    *registration->script_ = std::move(script);
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<GADMRewardBasedVideoAdNetworkAdapter>(
        name, "NSObject", {kProtocolName},
        [shared = registration->script_, record = registration->sharedRecord()] {
            auto adapter = std::make_shared<ScriptedRewardAdapter>(shared, record);
            record->instances.push_back(adapter);
            return adapter;
        });
    GADMAdapterClassRecord classRecord;
    classRecord.adapterVersion = [] { return std::string("1.0"); };
    classRecord.networkExtrasClass = registration->script_->networkExtrasClass;
    registry.setClassRecord(name, std::move(classRecord));
    return registration;
}

platform::Error ScriptedRewardAdapter::setUpError() {
    return platform::Error::make("com.scripted.network", 7, "set-up refused");
}

platform::Error ScriptedRewardAdapter::noFillError() {
    return GADRequestError::errorWithCode(kGADErrorNoFill).error();
}

std::shared_ptr<GADMRewardBasedVideoAdNetworkConnectorProtocol> ScriptedRewardAdapter::connector()
    const {
    return stopped_ ? nullptr : connector_.lock();
}

void ScriptedRewardAdapter::initWithGADMAdNetworkConnector(
    std::weak_ptr<GADMRewardBasedVideoAdNetworkConnectorProtocol> connector) {
    record_->calls.push_back("init");
    connector_ = std::move(connector);
}

void ScriptedRewardAdapter::setUpWithUserID(const std::string& userID) {
    record_->calls.push_back("setUp:" + userID);
    const SetUp outcome = script_->setUp;
    if (outcome == SetUp::Silence) return;
    if (!script_->setUpDelay) return finishSetUp(outcome);
    platform::MainLoop::main().postAfter(*script_->setUpDelay, [weak = weak_from_this(), outcome] {
        if (auto self = weak.lock()) self->finishSetUp(outcome);
    });
}

void ScriptedRewardAdapter::requestRewardBasedVideoAd() {
    record_->calls.push_back("request");
    const Answer planned = script_->answer;
    if (planned == Answer::Silence) return;
    if (!script_->answerDelay) return answer(planned);
    platform::MainLoop::main().postAfter(*script_->answerDelay, [weak = weak_from_this(), planned] {
        if (auto self = weak.lock()) self->answer(planned);
    });
}

void ScriptedRewardAdapter::presentRewardBasedVideoAdWithRootViewController(
    const std::shared_ptr<platform::ui::ViewController>&) {
    record_->calls.push_back("present");
}

void ScriptedRewardAdapter::stopBeingDelegate() {
    record_->calls.push_back("stop");
    stopped_ = true;
}

void ScriptedRewardAdapter::finishSetUp(SetUp outcome) {
    auto connector = this->connector();
    if (!connector) return;
    auto keep = shared_from_this();
    if (outcome == SetUp::Succeeds) connector->adapterDidSetUpRewardBasedVideoAd(*this);
    if (outcome == SetUp::Fails) {
        connector->adapterDidFailToSetUpRewardBasedVideoAdWithError(*this, setUpError());
    }
}

void ScriptedRewardAdapter::answer(Answer answer) {
    auto connector = this->connector();
    if (!connector) return;
    auto keep = shared_from_this();
    switch (answer) {
        case Answer::Fill:
            connector->adapterDidReceiveRewardBasedVideoAd(*this);
            break;
        case Answer::NoFill:
            connector->adapterDidFailToLoadRewardBasedVideoAdwithError(*this, noFillError());
            break;
        case Answer::Error:
            connector->adapterDidFailToLoadRewardBasedVideoAdwithError(
                *this, platform::Error::make("com.scripted.network", 42, "network broke"));
            break;
        case Answer::Silence:
            break;
    }
}

void ScriptedRewardAdapter::open() {
    if (auto c = connector()) c->adapterDidOpenRewardBasedVideoAd(*this);
}

void ScriptedRewardAdapter::start() {
    if (auto c = connector()) c->adapterDidStartPlayingRewardBasedVideoAd(*this);
}

void ScriptedRewardAdapter::reward(const std::shared_ptr<const GADAdReward>& reward) {
    if (auto c = connector()) c->adapterDidRewardUserWithReward(*this, reward);
}

void ScriptedRewardAdapter::close() {
    if (auto c = connector()) c->adapterDidCloseRewardBasedVideoAd(*this);
}

void ScriptedRewardAdapter::click() {
    if (auto c = connector()) c->adapterDidGetAdClick(*this);
}

void ScriptedRewardAdapter::leaveApplication() {
    if (auto c = connector()) c->adapterWillLeaveApplication(*this);
}

}  // namespace ads::testing
