#include "ads/iap/GADInAppPurchaseTransactionReporter.h"

#include <set>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADPinger.h"
#include "ads/foundation/GADQueue.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettings.h"
#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/iap/GADConversionText.h"
#include "ads/iap/GADInAppPurchaseProductCache.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::services::PaymentQueue;
using platform::services::PaymentTransaction;
using platform::services::PaymentTransactionState;

std::shared_ptr<GADInAppPurchaseTransactionReporter>
GADInAppPurchaseTransactionReporter::sharedInstance() {
    // Never released: it observes the store's queue for as long as the process runs.
    static auto* instance = new std::shared_ptr<GADInAppPurchaseTransactionReporter>(
        create({GADPinger::sharedInstance(), GADInAppPurchaseProductCache::sharedInstance()}));
    return *instance;
}

std::shared_ptr<GADInAppPurchaseTransactionReporter> GADInAppPurchaseTransactionReporter::create(
    Collaborators collaborators) {
    return std::make_shared<GADInAppPurchaseTransactionReporter>(std::move(collaborators));
}

std::string GADInAppPurchaseTransactionReporter::defaultReportFormat() {
    return GADAdServerURL("/adpage/conversion/").absoluteString() +
           "?appversion=@appversion@&bundleid=@bundleid@&currency_code=@currencycode@"
           "&iap_source=@iapsource@&lat=@lat@&osversion=@osversion@&price=@price@"
           "&quantity=@quantity@&rdid=@rdid@&sdkversion=@sdkversion@&sku=@sku@"
           "&timestamp=@timestamp@&transaction_id=@transactionid@";
}

platform::UserDefaults& GADInAppPurchaseTransactionReporter::defaults() const {
    return collaborators_.defaults ? *collaborators_.defaults : platform::UserDefaults::standard();
}

bool GADInAppPurchaseTransactionReporter::shouldBeEnabled() const {
    if (wasDisabled_.load()) return false;
    const auto& registry = platform::ClassRegistry::shared();
    for (const auto& name : GADSettings(defaults()).iapEquivalentClasses()) {
        if (registry.hasClass(name)) return false;
    }
    return true;
}

void GADInAppPurchaseTransactionReporter::enableReporting() {
    MOVU_CHECK_MAIN_THREAD();
    if (reportingEnabled_.load()) return;
    auto queue = PaymentQueue::defaultQueue();
    queue->addTransactionObserver(weak_from_this());
    observedQueue_ = queue;
    reportingEnabled_.store(true);
}

void GADInAppPurchaseTransactionReporter::disableReporting() {
    MOVU_CHECK_MAIN_THREAD();
    wasDisabled_.store(true);
    if (!reportingEnabled_.load()) return;
    if (auto queue = observedQueue_.lock()) queue->removeTransactionObserver(this);
    observedQueue_.reset();
    reportingEnabled_.store(false);
}

void GADInAppPurchaseTransactionReporter::updatedTransactions(
    PaymentQueue&, const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) {
    MOVU_CHECK_MAIN_THREAD();
    std::vector<Parameters> records;
    std::set<std::string> missing;
    for (const auto& transaction : transactions) {
        if (transaction->transactionState() != PaymentTransactionState::Purchased) continue;
        const auto& payment = transaction->payment();
        records.push_back(
            {{"sku", payment.productIdentifier},
             {"transactionid", transaction->transactionIdentifier()},
             {"quantity", std::to_string(payment.quantity)},
             {"timestamp", GADConversionTimestampString(transaction->transactionDate())}});
        if (!payment.productIdentifier.empty() &&
            !collaborators_.productCache->cachedProductForProductID(payment.productIdentifier)) {
            missing.insert(payment.productIdentifier);
        }
    }
    if (records.empty()) return;
    std::weak_ptr<GADInAppPurchaseTransactionReporter> weak = weak_from_this();
    auto report = [weak, records = std::move(records)]() mutable {
        if (auto self = weak.lock()) self->reportTransactionsFromArray(std::move(records));
    };
    if (missing.empty()) {
        GADQueue::main().async(std::move(report));
        return;
    }
    // Whatever the store answers, the purchases are reported: without a price when it fails.
    collaborators_.productCache->requestProductsWithProductIdentifiers(
        std::move(missing), GADQueue::main(),
        [report = std::move(report)](const auto&, const auto&, const auto&) mutable { report(); });
}

void GADInAppPurchaseTransactionReporter::reportTransactionsFromArray(
    std::vector<Parameters> records) {
    auto application = GADApplication::sharedInstance();
    auto device = GADDevice::sharedInstance();
    const bool limited = device->limitAdTracking();
    // A device that limits ad tracking never sends its advertising identifier.
    std::string rdid;
    if (!limited)
        rdid = platform::AdvertisingIdentifier::shared().advertisingIdentifier().toString();
    Parameters shared{{"appversion", application->version()},
                      {"bundleid", application->mainBundleIdentifier()},
                      {"iapsource", "auto"},
                      {"osversion", device->systemVersion()},
                      {"rdid", rdid},
                      {"lat", limited ? "1" : "0"},
                      {"sdkversion", GADRequest::sdkVersion()}};
    std::weak_ptr<GADInAppPurchaseTransactionReporter> weak = weak_from_this();
    GADQueue::global().async([weak, records = std::move(records), shared = std::move(shared)] {
        if (auto self = weak.lock()) self->reportTransactionsFromArray(records, shared);
    });
}

void GADInAppPurchaseTransactionReporter::reportTransactionsFromArray(
    const std::vector<Parameters>& records, const Parameters& sharedParameters) {
    GADSettings settings(defaults());
    const std::string format = settings.iapReportFormat().value_or(defaultReportFormat());
    const std::string retrySuffix = settings.iapRetrySuffix();
    for (const auto& record : records) {
        Parameters keywords = sharedParameters;
        for (const auto& [key, value] : record) keywords[key] = value;
        auto sku = record.find("sku");
        if (sku != record.end()) {
            if (auto product =
                    collaborators_.productCache->cachedProductForProductID(sku->second)) {
                keywords["price"] = GADConversionPriceString(product->price);
                if (!product->currencyCode.empty())
                    keywords["currencycode"] = product->currencyCode;
            }
        }
        const std::string expanded = GADInAppPurchase::expandedURLString(format, keywords);
        auto url = platform::Url::parse(expanded);
        if (!url) continue;
        collaborators_.pinger->pingWithRetryGroupKey(kRetryGroupKey, *url, expanded + retrySuffix);
    }
}

}  // namespace ads
