#pragma once

// A publisher's custom-event class whose network does what a test scripts: it answers a banner
// request with a view of the requested size in kViewColor, an interstitial request with its
// arrival, or fails, or stays silent, inside the request call. Each CustomEventClass registers
// a fresh class name declaring the protocols the test chooses (the class's objects can serve
// both formats, so only the declaration decides) and takes it out again when it goes; the
// record counts the objects made and notes every call they get.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ads/mediation/GADCustomEventBanner.h"
#include "ads/mediation/GADCustomEventInterstitial.h"
#include "ads/mediation/GADCustomEventRequest.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/ui/View.h"

namespace ads::testing {

class ScriptedCustomEvent : public GADCustomEventBanner, public GADCustomEventInterstitial {
  public:
    enum class Answer { Ad, Fail, Silence };
    static constexpr std::uint32_t kViewColor = 0xff2060c0;  // ARGB

    struct Record {
        int made = 0;
        std::vector<std::string> calls;
        std::shared_ptr<const GADCustomEventRequest> request;
        std::weak_ptr<ScriptedCustomEvent> last;
    };

    static platform::Error publisherError() {
        return platform::Error::make("com.publisher.network", 7, "publisher's network broke");
    }

    ScriptedCustomEvent(Answer answer, std::shared_ptr<Record> record)
        : answer_(answer), record_(std::move(record)) {}

    void requestBannerAd(const GADAdSize& size, const std::optional<std::string>& parameter,
                         const std::optional<std::string>& label,
                         const std::shared_ptr<const GADCustomEventRequest>& request) override {
        record_->calls.push_back("banner " + std::to_string(int(size.size.width)) + "x" +
                                 std::to_string(int(size.size.height)) + " " + text(parameter) +
                                 " " + text(label));
        record_->request = request;
        auto delegate = bannerDelegate();
        if (!delegate) return;
        if (answer_ == Answer::Ad) {
            view_ = platform::ui::View::create({0, 0, size.size.width, size.size.height});
            view_->setBackgroundColor(platform::Color::fromARGB32(kViewColor));
            delegate->customEventBannerDidReceiveAd(*this, view_);
        } else if (answer_ == Answer::Fail) {
            delegate->customEventBannerDidFailAd(*this, publisherError());
        }
    }

    void requestInterstitialAdWithParameter(
        const std::optional<std::string>& parameter, const std::optional<std::string>& label,
        const std::shared_ptr<const GADCustomEventRequest>& request) override {
        record_->calls.push_back("interstitial " + text(parameter) + " " + text(label));
        record_->request = request;
        auto delegate = interstitialDelegate();
        if (!delegate) return;
        if (answer_ == Answer::Ad) {
            delegate->customEventInterstitialDidReceiveAd(*this);
        } else if (answer_ == Answer::Fail) {
            delegate->customEventInterstitialDidFailAd(*this, publisherError());
        }
    }

    void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) override {
        record_->calls.push_back("present");
        if (auto delegate = interstitialDelegate())
            delegate->customEventInterstitialWillPresent(*this);
    }

    std::shared_ptr<GADCustomEventBannerDelegate> bannerDelegate() const {
        return GADCustomEventBanner::delegate();
    }
    std::shared_ptr<GADCustomEventInterstitialDelegate> interstitialDelegate() const {
        return GADCustomEventInterstitial::delegate();
    }
    const std::shared_ptr<platform::ui::View>& view() const { return view_; }

  private:
    static std::string text(const std::optional<std::string>& value) {
        return value.value_or("(none)");
    }

    Answer answer_;
    std::shared_ptr<Record> record_;
    std::shared_ptr<platform::ui::View> view_;
};

// A registered class of ScriptedCustomEvent objects; taken out of the registry when it goes.
class CustomEventClass {
  public:
    using Answer = ScriptedCustomEvent::Answer;

    explicit CustomEventClass(std::vector<std::string> protocols, Answer answer = Answer::Ad) {
        static std::atomic<int> counter{0};
        name_ = "PublisherCustomEvent" + std::to_string(++counter);
        platform::ClassRegistry::shared().registerClass<GADCustomEvent>(
            name_, "NSObject", std::move(protocols), [answer, record = record_] {
                auto made = std::make_shared<ScriptedCustomEvent>(answer, record);
                ++record->made;
                record->last = made;
                return std::static_pointer_cast<GADCustomEventBanner>(made);
            });
    }
    ~CustomEventClass() { platform::ClassRegistry::shared().unregisterClass(name_); }
    CustomEventClass(const CustomEventClass&) = delete;
    CustomEventClass& operator=(const CustomEventClass&) = delete;

    static CustomEventClass banner(Answer answer = Answer::Ad) {
        return CustomEventClass({GADCustomEventBanner::kProtocolName}, answer);
    }

    const std::string& name() const { return name_; }
    ScriptedCustomEvent::Record& record() const { return *record_; }
    std::shared_ptr<ScriptedCustomEvent> last() const { return record_->last.lock(); }

  private:
    std::string name_;
    std::shared_ptr<ScriptedCustomEvent::Record> record_ =
        std::make_shared<ScriptedCustomEvent::Record>();
};

}  // namespace ads::testing
