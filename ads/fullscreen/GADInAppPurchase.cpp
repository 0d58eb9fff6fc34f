#include "ads/fullscreen/GADInAppPurchase.h"

#include <cstdio>
#include <map>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADReplaceContentAdditions.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADSession.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/fullscreen/GADViewController.h"

namespace ads {

std::shared_ptr<GADInAppPurchase> GADInAppPurchase::create(
    std::weak_ptr<GADViewController> adViewController) {
    return std::make_shared<GADInAppPurchase>(Private{}, std::move(adViewController));
}

std::string GADInAppPurchase::stringForStatus(std::int64_t status) {
    switch (status) {
        case StatusSuccess:
            return "success";
        case StatusCancel:
            return "cancel";
        case StatusInvalidProduct:
            return "invalid product";
        default:
            return "error";
    }
}

bool GADInAppPurchase::quantityIsValid(std::int64_t quantity) {
    return quantity >= 1 && quantity <= 10;
}

std::string GADInAppPurchase::productID() const {
    std::lock_guard lock(mutex_);
    return productID_;
}

void GADInAppPurchase::setProductID(std::string productID) {
    std::lock_guard lock(mutex_);
    productID_ = std::move(productID);
}

std::int64_t GADInAppPurchase::quantity() const {
    std::lock_guard lock(mutex_);
    return quantity_;
}

void GADInAppPurchase::setQuantity(std::int64_t quantity) {
    std::lock_guard lock(mutex_);
    quantity_ = quantityIsValid(quantity) ? quantity : 0;
}

std::vector<std::string> GADInAppPurchase::reportingURLStringFormats() const {
    std::lock_guard lock(mutex_);
    return reportingURLStringFormats_;
}

void GADInAppPurchase::setReportingURLStringFormats(std::vector<std::string> formats) {
    std::lock_guard lock(mutex_);
    reportingURLStringFormats_ = std::move(formats);
}

void GADInAppPurchase::reportPurchaseStatus(std::int64_t status) {
    if (status == StatusSuccess) {
        // The ad closes once its purchase went through.
        GADRunOnMainThread([controller = adViewController_] {
            if (auto shown = controller.lock()) shown->relinquishScreenWithCompletion(nullptr);
        });
    }
    purchaseStatus_.store(status);
    std::vector<std::string> urls;
    for (const auto& format : reportingURLStringFormats()) {
        if (auto expanded = expandedURLStringForURLStringFormat(format))
            urls.push_back(std::move(*expanded));
    }
    if (urls.empty()) return;
    GADRunOnMainThread([urls = std::move(urls)] {
        GADClickTrackerCollection::sharedInstance()->trackURLStrings(urls, false);
    });
}

std::optional<std::string> GADInAppPurchase::expandedURLStringForURLStringFormat(
    const std::string& format) const {
    std::map<std::string, std::string> values;
    {
        std::lock_guard lock(mutex_);
        values["sku"] = productID_;
        values["quantity"] = std::to_string(quantity_);
    }
    values["status"] = std::to_string(purchaseStatus_.load());
    auto application = GADApplication::sharedInstance();
    if (const auto& session = application->currentSession())
        values["sessionid"] = session->uniqueID();
    values["appid"] = application->mainBundleIdentifier();
    values["appversion"] = application->version();
    values["osversion"] = GADDevice::sharedInstance()->systemVersion();
    values["sdkversion"] = GADRequest::sdkVersion();
    values["timestamp"] = std::to_string(application->timeSinceFirstAdRequestInMilliseconds());

    return expandedURLString(format, values);
}

std::string GADInAppPurchase::expandedURLString(
    std::string_view format, const std::map<std::string, std::string>& keywords) {
    std::string url(format);
    for (const auto& [keyword, value] : keywords) {
        // Escaping leaves no "@" in the value, so nothing it holds reads as a keyword.
        gad_replaceAtQuotedKeyword(url, keyword, gad_stringByEscapingAsURLParameter(value));
    }
    gad_removeAtQuotedKeywords(url);
    return gad_unescapeAts(url);
}

std::string GADInAppPurchase::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    std::lock_guard lock(mutex_);
    return std::string("<GADInAppPurchase: ") + address + ">(\n  productID: " + productID_ +
           ",\n  quantity: " + std::to_string(quantity_) + ")";
}

}  // namespace ads
