#include "ads/native/GADAdPreprocessor.h"

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/Json.h"

namespace ads {

using platform::Json;
using platform::Value;

std::shared_ptr<GADAdPreprocessor> GADAdPreprocessor::create(std::string adUnitID) {
    auto preprocessor = std::make_shared<GADAdPreprocessor>(Private{});
    preprocessor->slot_ = GADSlot::create();
    if (!preprocessor->slot_) return nullptr;
    preprocessor->slot_->setDelegates(GADSlotDelegates::allOf(preprocessor));
    preprocessor->slot_->setAdUnitID(std::move(adUnitID));
    return preprocessor;
}

GADAdPreprocessor::~GADAdPreprocessor() {
    if (answerTimer_) answerTimer_->invalidate();
    if (deadlineTimer_) deadlineTimer_->invalidate();
}

std::string GADAdPreprocessor::environmentJSONString() {
    return gad_JSONString(Value::dictionary({{"sdk_version", Value(kGADNativeSDKVersion)}}), false)
        .value_or("{}");
}

void GADAdPreprocessor::preprocessNativeAdJSON(const std::string& json, CompletionHandler handler) {
    MOVU_CHECK_MAIN_THREAD();
    platform::Error decodingError;
    // The whole text must be one value: anything after it would run as script in the page.
    const auto decoded = Json::parse(json, Json::kReadingAllowFragments, &decodingError);
    std::optional<std::string> spelled;
    if (decoded) spelled = Json::write(*decoded, Json::kWritingFragmentsAllowed, &decodingError);
    if (!spelled) {
        platform::MainLoop::main().post([handler = std::move(handler), decodingError] {
            if (handler) handler(std::nullopt, nullptr, decodingError);
        });
        return;
    }
    nativeAdJSON_ = std::move(*spelled);
    completionHandler_ = std::move(handler);

    deadlineTimer_ = platform::MainLoop::main().postAfter(
        kGADAdPreprocessorDeadlineSeconds,
        platform::weakCall(weak_from_this(), [](GADAdPreprocessor& self) { self.timeOut(); }));

    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(
        Value::Dictionary{{"_requestUrl", Value(GADNativeAd::supportHTMLURL().absoluteString())}}));
    slot_->loadRequest(request);
}

void GADAdPreprocessor::slotFinishedLoadingAdContent(GADSlot& slot) {
    MOVU_CHECK_MAIN_THREAD();
    const auto adView = slot.adView();
    if (!completionHandler_ || answerObservation_ || !adView) return;
    answerObservation_ = platform::NotificationCenter::defaultCenter().observe(
        kGADNativeAdPreProcessMessage, adView.get(),
        platform::weakCall(weak_from_this(),
                           [](GADAdPreprocessor& self, const platform::Notification& note) {
                               self.handlePreprocessorNotification(note);
                           }));
    // The page answers with a message; the script's own value is unused.
    adView->stringByEvaluatingJavaScriptFromString(std::string(kGADNativeAdPreProcessFunction) +
                                                       "(" + nativeAdJSON_ + ", " +
                                                       environmentJSONString() + ")",
                                                   0);
    answerTimer_ = platform::MainLoop::main().postAfter(
        kGADAdPreprocessorAnswerSeconds,
        platform::weakCall(weak_from_this(), [](GADAdPreprocessor& self) { self.timeOut(); }));
}

void GADAdPreprocessor::slotDidFailToLoadAdContentWithError(GADSlot&,
                                                            const GADRequestError& error) {
    complete(std::nullopt, nullptr, error.error());
}

void GADAdPreprocessor::handlePreprocessorNotification(const platform::Notification& notification) {
    const Value& success = notification.userInfo.get(kGADNativeAdPreProcessSuccessKey);
    std::optional<Value> configuration;
    if (success.isString()) configuration = Json::parse(success.stringRef());
    if (configuration && configuration->isDictionary()) {
        complete(std::move(configuration), slot_, std::nullopt);
    } else {
        complete(std::nullopt, nullptr,
                 GADRequestError::errorWithCode(kGADErrorReceivedInvalidResponse).error());
    }
}

void GADAdPreprocessor::timeOut() {
    complete(std::nullopt, nullptr,
             gad_errorWithCode(static_cast<std::int64_t>(GADInternalErrorCode::InternalError),
                               "Timed out."));
}

void GADAdPreprocessor::complete(std::optional<Value> configuration, std::shared_ptr<GADSlot> slot,
                                 std::optional<platform::Error> error) {
    // The first outcome wins; it is called on a later turn, so the owner may let this object
    // go inside the handler.
    if (!completionHandler_) return;
    auto handler = std::move(completionHandler_);
    completionHandler_ = nullptr;
    answerObservation_.reset();
    if (answerTimer_) answerTimer_->invalidate();
    if (deadlineTimer_) deadlineTimer_->invalidate();
    platform::MainLoop::main().post(
        [handler = std::move(handler), configuration = std::move(configuration),
         slot = std::move(slot),
         error = std::move(error)] { handler(configuration, slot, error); });
}

}  // namespace ads
