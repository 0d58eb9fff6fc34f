#pragma once

// Passes one native ad's JSON through the support page's script, which rewrites it into the
// configuration the native ad is built from ({"ads": [ad object]}). The preprocessor's own slot
// loads the support page as its ad (GADNativeAd::supportHTMLURL); once it has loaded, the page's
// preprocessing function gets the ad JSON and the environment ({"sdk_version": ...}) and
// answers with the page message "nativeAdPreProcess" whose "success" is the configuration's
// JSON text. The slot, with the page still in it, then serves the native ad's clicks.
//
// The handler is called once, on the main thread: (configuration, slot, nothing) on success,
// (nothing, nothing, error) otherwise. The first of these ends it: the page's answer; the
// slot's failure; no answer 5 s after the page loaded, or 35 s after the call when the page
// never loads ("Timed out.", private code 2); a "success" that is no JSON object (code 13).
// Ad JSON that is not exactly one JSON value fails at once with the decoding error.
//
// Main thread only. Made with create(); its owner keeps it until the handler ran. Timers and
// the page-message observer hold it weakly, so one that goes calls nothing.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/slot/GADSlotDelegate.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class Timer;
}

namespace ads {

class GADSlot;

class GADAdPreprocessor : public GADSlotAdLoadDelegate,
                          public std::enable_shared_from_this<GADAdPreprocessor> {
    struct Private {};

  public:
    using CompletionHandler = std::function<void(
        const std::optional<platform::Value>& configuration, const std::shared_ptr<GADSlot>& slot,
        const std::optional<platform::Error>& error)>;

    static std::shared_ptr<GADAdPreprocessor> create(std::string adUnitID);
    explicit GADAdPreprocessor(Private) {}
    ~GADAdPreprocessor() override;
    GADAdPreprocessor(const GADAdPreprocessor&) = delete;
    GADAdPreprocessor& operator=(const GADAdPreprocessor&) = delete;

    void preprocessNativeAdJSON(const std::string& json, CompletionHandler handler);
    // {"sdk_version":"7.5.2"}
    static std::string environmentJSONString();

    const std::shared_ptr<GADSlot>& slot() const { return slot_; }

    // The slot's answers.
    void slotFinishedLoadingAdContent(GADSlot& slot) override;
    void slotDidFailToLoadAdContentWithError(GADSlot& slot, const GADRequestError& error) override;
    // The page's answer (user info: the message's parameters).
    void handlePreprocessorNotification(const platform::Notification& notification);

  private:
    void complete(std::optional<platform::Value> configuration, std::shared_ptr<GADSlot> slot,
                  std::optional<platform::Error> error);
    void timeOut();

    std::shared_ptr<GADSlot> slot_;
    CompletionHandler completionHandler_;
    // The ad JSON as our writer spells it: one value, safe inside a script element.
    std::string nativeAdJSON_;
    platform::NotificationCenter::Observation answerObservation_;
    std::shared_ptr<platform::Timer> answerTimer_;
    std::shared_ptr<platform::Timer> deadlineTimer_;
};

}  // namespace ads
