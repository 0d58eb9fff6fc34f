#include "ads/testsupport/ScriptedAdapter.h"

#include <atomic>

#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/View.h"

namespace ads::testing {

std::shared_ptr<ScriptedAdapter> ScriptedAdapter::Record::last() const {
    return instances.empty() ? nullptr : instances.back().lock();
}

std::unique_ptr<ScriptedAdapter::Registration> ScriptedAdapter::registerClass(Script script,
                                                                              std::string prefix) {
    static std::atomic<int> counter{0};
    const std::string name =
        (prefix.empty() ? "ScriptedAdapter" : prefix) + std::to_string(++counter);
    auto record = std::make_shared<Record>();
    auto& registry = platform::ClassRegistry::shared();
    std::vector<std::string> protocols;
    if (script.declaresProtocol) protocols.push_back(kProtocolName);
    registry.registerClass<GADMAdNetworkAdapterProtocol>(
        name, "NSObject", protocols, [name, script, record] {
            auto adapter = std::make_shared<ScriptedAdapter>(name, script, record);
            record->instances.push_back(adapter);
            return adapter;
        });
    std::vector<std::string> calls{kPresentInterstitialCall};
    if (script.currentAPI) {
        calls.push_back(kGetBannerCall);
        calls.push_back(kGetInterstitialCall);
    }
    if (script.answersChangeAdSize) calls.push_back(kChangeAdSizeCall);
    if (script.answersNativeAd) calls.push_back(kGetNativeAdCall);
    registry.addInstanceCalls(name, calls);
    GADMAdapterClassRecord classRecord;
    if (script.version) classRecord.adapterVersion = [v = *script.version] { return v + "-class"; };
    classRecord.networkExtrasClass = script.networkExtrasClass;
    registry.setClassRecord(name, std::move(classRecord));
    return std::make_unique<Registration>(name, std::move(record));
}

ScriptedAdapter::ScriptedAdapter(std::string className, Script script,
                                 std::shared_ptr<Record> record)
    : className_(std::move(className)), script_(std::move(script)), record_(std::move(record)) {}

platform::Error ScriptedAdapter::noFillError() {
    return GADRequestError::errorWithCode(kGADErrorNoFill).error();
}

platform::Error ScriptedAdapter::networkError() {
    return platform::Error::make("com.scripted.network", 42, "network broke");
}

void ScriptedAdapter::initWithGADMAdNetworkConnector(
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) {
    record_->calls.push_back("init");
    connector_ = connector;
    if (script_.misbehaves) heldConnector_ = connector.lock();
}

std::shared_ptr<GADMAdNetworkConnectorProtocol> ScriptedAdapter::connector() const {
    if (stopped_ && !script_.misbehaves) return nullptr;
    return heldConnector_ ? heldConnector_ : connector_.lock();
}

void ScriptedAdapter::getBannerWithSize(const GADAdSize& size) {
    record_->calls.push_back("getBannerWithSize:" + std::to_string(int(size.size.width)) + "x" +
                             std::to_string(int(size.size.height)));
    size_ = size;
    asked(script_.answer);
}

void ScriptedAdapter::getInterstitial() {
    record_->calls.push_back("getInterstitial");
    asked(script_.answer);
}

void ScriptedAdapter::getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                             const std::vector<std::shared_ptr<void>>& options) {
    std::string types;
    for (const auto& type : adTypes) types += (types.empty() ? "" : ",") + type;
    record_->calls.push_back("getNativeAdWithAdTypes:" + types +
                             " options:" + std::to_string(options.size()));
    asked(script_.answer);
}

void ScriptedAdapter::asked(Answer answer) {
    if (answer == Answer::Silence) return;
    if (!script_.delay) return this->answer(answer);
    platform::MainLoop::main().postAfter(*script_.delay, [weak = weak_from_this(), answer] {
        if (auto self = weak.lock()) self->answer(answer);
    });
}

void ScriptedAdapter::stopBeingDelegate() {
    record_->calls.push_back("stopBeingDelegate");
    stopped_ = true;
}

void ScriptedAdapter::answer(Answer answer) {
    auto connector = this->connector();
    if (!connector) return;
    auto keep = shared_from_this();
    switch (answer) {
        case Answer::View:
            view_ = platform::ui::View::create({0, 0, size_.size.width, size_.size.height});
            view_->setBackgroundColor(platform::Color::fromARGB32(kViewColor));
            connector->adapterDidReceiveAdView(*this, view_);
            break;
        case Answer::Interstitial:
            connector->adapterDidReceiveInterstitial(*this);
            break;
        case Answer::NativeAd:
            connector->adapterDidReceiveMediatedNativeAd(*this, script_.nativeAd);
            break;
        case Answer::NoFill:
            connector->adapterDidFailAd(*this, noFillError());
            break;
        case Answer::Error:
            connector->adapterDidFailAd(*this, networkError());
            break;
        case Answer::Silence:
            break;
    }
    // A faulty library keeps its connector until it has spoken once more; then the cycle ends.
    heldConnector_.reset();
}

void ScriptedAdapter::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>&) {
    record_->calls.push_back("present");
    if (auto connector = this->connector(); connector && script_.presents) {
        connector->adapterWillPresentInterstitial(*this);
    }
}

void ScriptedAdapter::changeAdSizeTo(const GADAdSize& size) {
    record_->calls.push_back("changeAdSizeTo:" + std::to_string(int(size.size.width)) + "x" +
                             std::to_string(int(size.size.height)));
}

void ScriptedAdapter::click() {
    if (auto connector = this->connector()) connector->adapterDidGetAdClick(*this);
}

void ScriptedAdapter::leaveApplication() {
    if (auto connector = this->connector()) connector->adapterWillLeaveApplication(*this);
}

void ScriptedAdapter::presentFullScreenModal() {
    if (auto connector = this->connector()) connector->adapterWillPresentFullScreenModal(*this);
}

void ScriptedAdapter::dismissFullScreenModal() {
    if (auto connector = this->connector()) {
        connector->adapterWillDismissFullScreenModal(*this);
        connector->adapterDidDismissFullScreenModal(*this);
    }
}

void ScriptedAdapter::dismissInterstitial(bool withWill) {
    auto connector = this->connector();
    if (!connector) return;
    if (withWill) connector->adapterWillDismissInterstitial(*this);
    connector->adapterDidDismissInterstitial(*this);
}

void ScriptedAdapter::failPresenting(const platform::Error& error) {
    if (auto connector = this->connector()) connector->adapterDidFailAd(*this, error);
}

}  // namespace ads::testing
