#pragma once

// Reports every completed purchase of the app as a conversion, whether or not an ad started
// it, so that purchases can be credited to ads. While enabled it observes the store's payment
// queue; each purchased transaction becomes one GET of the report template (the user default
// "/zivivu/ads/iap_report_format", else the ad server's "/adpage/conversion/?..." with every
// keyword of the report) sent through the pinger with the retry group "/zivivu/ads/auto-iap",
// so a report the server did not take goes out again later, also after a restart, as the
// same URL plus the retry suffix ("&retry=1" unless the defaults say otherwise).
//
// Keywords: appversion, bundleid, iapsource ("auto"), osversion, rdid (the advertising
// identifier; "" while ad tracking is limited), lat ("1" limited, "0" not), sdkversion; per
// transaction sku, transactionid, quantity, timestamp (the transaction's date in seconds, six
// decimals); and, when the product cache knows the product, price (GADConversionPriceString)
// and currencycode. Products not yet cached are asked of the store in one request first;
// when that fails the reports go out without a price. Every value is percent-escaped.
//
// Threads: the observer and the product answers run on the main thread; formatting and
// pinging run as a task on the global queue. shouldBeEnabled answers false once reporting was
// disabled, or while a class named in "/zivivu/ads/iap_equivalent_classes" (by default
// "DORUzuraruzero") is registered in the class registry: another part of the program then
// measures purchases already.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADSettingsKeys.h"
#include "platform/services/PaymentQueue.h"

namespace platform {
class UserDefaults;
}

namespace ads {

class GADInAppPurchaseProductCache;
class GADPinger;

class GADInAppPurchaseTransactionReporter
    : public platform::services::PaymentTransactionObserver,
      public std::enable_shared_from_this<GADInAppPurchaseTransactionReporter> {
  public:
    using Parameters = std::map<std::string, std::string>;

    struct Collaborators {
        std::shared_ptr<GADPinger> pinger;
        std::shared_ptr<GADInAppPurchaseProductCache> productCache;
        // The settings' defaults; the standard ones when null. Must outlive the reporter.
        platform::UserDefaults* defaults = nullptr;
    };

    static constexpr const char* kRetryGroupKey = settings_keys::kAutoIap;

    static std::shared_ptr<GADInAppPurchaseTransactionReporter> sharedInstance();
    // A reporter of its own (tests, a restarted program).
    static std::shared_ptr<GADInAppPurchaseTransactionReporter> create(Collaborators collaborators);
    explicit GADInAppPurchaseTransactionReporter(Collaborators collaborators)
        : collaborators_(std::move(collaborators)) {}

    // The built-in template: the ad server's origin and the conversion path with its query.
    static std::string defaultReportFormat();

    bool shouldBeEnabled() const;
    // Main thread. Observes the default payment queue; a second call does nothing.
    void enableReporting();
    void disableReporting();
    bool isReportingEnabled() const { return reportingEnabled_.load(); }
    bool wasDisabled() const { return wasDisabled_.load(); }

    // platform::services::PaymentTransactionObserver
    void updatedTransactions(
        platform::services::PaymentQueue& queue,
        const std::vector<std::shared_ptr<platform::services::PaymentTransaction>>& transactions)
        override;

    // Adds the shared keywords and hands everything to the global queue.
    void reportTransactionsFromArray(std::vector<Parameters> records);
    // On the global queue: one ping per record, in order.
    void reportTransactionsFromArray(const std::vector<Parameters>& records,
                                     const Parameters& sharedParameters);

  private:
    platform::UserDefaults& defaults() const;

    const Collaborators collaborators_;
    std::atomic<bool> reportingEnabled_{false};
    std::atomic<bool> wasDisabled_{false};
    std::weak_ptr<platform::services::PaymentQueue> observedQueue_;
};

}  // namespace ads
