#pragma once

// One ad response in memory: what to render (HTML with its base URL, or a URL to fetch), how
// to track it (click, impression and manual-impression URLs), how to show it (size text,
// orientations, scrolling, reload period) and its statistics. The ad fetcher fills it from the
// HTTP answer; the slot reads it. It lives here, below the slot, because the fetcher makes and
// fills ads and this room cannot reach the slot's.
//
// Main thread only, like its owners (the fetcher, the slot); only `statistics` is itself
// thread-safe. Held by std::shared_ptr; subclasses (the banner's and the interstitial's ads)
// pass the key on to this constructor.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADOrientation.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace ads {

class GADAdMediationDelegate;
class GADMRAIDEventHandling;
class GADStatisticDictionary;

// How the slot shows the answer; the server's headers decide it, and the slot dispatches on
// the numbers.
enum class GADAdResponseType : std::uint64_t {
    Invalid = 0,
    HTML = 1,
    Mediation = 2,
    Native = 3,
    CustomRendering = 4,
};

class GADAd : public std::enable_shared_from_this<GADAd> {
  public:
    // URLs in the order they were first added, each at most once: the same URL given twice
    // is pinged once.
    using URLSet = std::vector<platform::Url>;

    // Statistics reporting to the shared application, empty URL sets, scrolling on, every
    // orientation, everything else empty.
    static std::shared_ptr<GADAd> create();
    // An ad from the SDK core page's JSON ad object (or one a publisher passes with a
    // request): see GADAdDictionary.cpp for the keys. Never fails; what cannot be used is
    // left at its default. URLs count only as http(s): no ad renders from a local file.
    static std::shared_ptr<GADAd> createWithDictionary(const platform::Value& dictionary);
    virtual ~GADAd();
    GADAd(const GADAd&) = delete;
    GADAd& operator=(const GADAd&) = delete;

    const URLSet& clickURLs() const { return clickURLs_; }
    const URLSet& impressionURLs() const { return impressionURLs_; }
    const URLSet& manualImpressionURLs() const { return manualImpressionURLs_; }
    void addClickURLsFromArray(const std::vector<platform::Url>& urls);
    void addImpressionURLsFromArray(const std::vector<platform::Url>& urls);
    void addManualImpressionURLsFromArray(const std::vector<platform::Url>& urls);
    // Impression pings fire once per ad: the slot empties the sets after use.
    void removeAllImpressionURLs() { impressionURLs_.clear(); }
    void removeAllManualImpressionURLs() { manualImpressionURLs_.clear(); }

    bool scrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
    bool fluid() const { return fluid_; }
    void setFluid(bool fluid) { fluid_ = fluid; }
    const std::shared_ptr<GADStatisticDictionary>& statistics() const { return statistics_; }

    const std::optional<platform::Url>& adBaseURL() const { return adBaseURL_; }
    void setAdBaseURL(std::optional<platform::Url> url) { adBaseURL_ = std::move(url); }
    const std::optional<std::string>& adHTML() const { return adHTML_; }
    void setAdHTML(std::optional<std::string> html) { adHTML_ = std::move(html); }
    const std::optional<platform::Url>& adURL() const { return adURL_; }
    void setAdURL(std::optional<platform::Url> url) { adURL_ = std::move(url); }

    // The answer's header fields, names lowercased; nothing before the first answer.
    const std::optional<platform::Value::Dictionary>& responseHeaders() const {
        return responseHeaders_;
    }
    void setResponseHeaders(std::optional<platform::Value::Dictionary> headers) {
        responseHeaders_ = std::move(headers);
    }
    const std::optional<platform::Value::Dictionary>& activeViewConfigurations() const {
        return activeViewConfigurations_;
    }
    void setActiveViewConfigurations(std::optional<platform::Value::Dictionary> configurations) {
        activeViewConfigurations_ = std::move(configurations);
    }
    // The decoded configuration as the server sent it; the swipe feature reads it.
    const std::optional<platform::Value>& swipeToViewControllerConfigurations() const {
        return swipeToViewControllerConfigurations_;
    }
    void setSwipeToViewControllerConfigurations(std::optional<platform::Value> configurations) {
        swipeToViewControllerConfigurations_ = std::move(configurations);
    }

    // The ad object this ad was read from, when it was read from one: it travels on unchanged
    // when the ad is handed to another slot (the mediation ad URL adapter's).
    const std::optional<platform::Value>& sourceDictionary() const { return sourceDictionary_; }

    // The HTML is an ad network's script tag; its passback URL is where it gives up to.
    bool hasAdNetworkJavaScript() const { return hasAdNetworkJavaScript_; }
    const std::optional<platform::Url>& adNetworkPassbackURL() const {
        return adNetworkPassbackURL_;
    }
    // The creative's size as the ad object gave it.
    const GADAdSize& size() const { return size_; }
    void setSize(const GADAdSize& size) { size_ = size; }

    GADAdResponseType responseType() const { return responseType_; }
    void setResponseType(GADAdResponseType type) { responseType_ = type; }
    // Seconds between reloads the ad asks for; the slot applies its own floor.
    double reloadInterval() const { return reloadInterval_; }
    void setReloadInterval(double seconds) { reloadInterval_ = seconds; }
    // A GADInterfaceOrientationMask.
    unsigned supportedOrientations() const { return supportedOrientations_; }
    void setSupportedOrientations(unsigned mask) { supportedOrientations_ = mask; }
    const std::optional<std::string>& debugDialog() const { return debugDialog_; }
    void setDebugDialog(std::optional<std::string> text) { debugDialog_ = std::move(text); }
    // Width and height joined by "x", as the server announced them.
    const std::optional<std::string>& customAdSizeString() const { return customAdSizeString_; }
    void setCustomAdSizeString(std::optional<std::string> text) {
        customAdSizeString_ = std::move(text);
    }

    // Names the connector class when a mediation configuration fills this ad (weak).
    std::shared_ptr<GADAdMediationDelegate> mediationDelegate() const {
        return mediationDelegate_.lock();
    }
    void setMediationDelegate(std::weak_ptr<GADAdMediationDelegate> delegate) {
        mediationDelegate_ = std::move(delegate);
    }
    // The creative's MRAID events go here (weak); none while the ad does not speak MRAID.
    std::shared_ptr<GADMRAIDEventHandling> MRAIDEventHandler() const {
        return MRAIDEventHandler_.lock();
    }
    void setMRAIDEventHandler(std::weak_ptr<GADMRAIDEventHandling> handler) {
        MRAIDEventHandler_ = std::move(handler);
    }

  protected:
    struct Private {};
    // The keys every kind of ad reads.
    void readDictionary(const platform::Value& dictionary);

  public:
    explicit GADAd(Private);

  private:
    URLSet clickURLs_;
    URLSet impressionURLs_;
    URLSet manualImpressionURLs_;
    bool scrollEnabled_ = true;
    bool fluid_ = false;
    std::shared_ptr<GADStatisticDictionary> statistics_;
    std::optional<platform::Url> adBaseURL_;
    std::optional<std::string> adHTML_;
    std::optional<platform::Url> adURL_;
    std::optional<platform::Value::Dictionary> responseHeaders_;
    std::optional<platform::Value::Dictionary> activeViewConfigurations_;
    std::optional<platform::Value> sourceDictionary_;
    std::optional<platform::Value> swipeToViewControllerConfigurations_;
    GADAdResponseType responseType_ = GADAdResponseType::Invalid;
    double reloadInterval_ = 0;
    unsigned supportedOrientations_ = GADInterfaceOrientationMaskAll;
    std::optional<std::string> debugDialog_;
    std::optional<std::string> customAdSizeString_;
    bool hasAdNetworkJavaScript_ = false;
    std::weak_ptr<GADMRAIDEventHandling> MRAIDEventHandler_;
    std::optional<platform::Url> adNetworkPassbackURL_;
    GADAdSize size_{{0, 0}, 0};
    std::weak_ptr<GADAdMediationDelegate> mediationDelegate_;
};

}  // namespace ads
