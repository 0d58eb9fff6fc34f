#pragma once

// One in-app product an ad offers and the user took: the product, the quantity, the ad's report
// URL templates, and the ad's full-screen controller when the ad has one. The opener makes it
// and hands it to the slot, which passes it to the in-app purchase delegate; whoever carries
// the purchase out reports its outcome with reportPurchaseStatus, which pings the ad's
// templates filled with the purchase's facts.
//
// Templates hold keywords between at signs ("@sku@", "@status@"; "@@" for a literal at sign):
// sku, quantity, status, sessionid, appid, appversion, osversion, sdkversion and timestamp
// (milliseconds since the first ad request). Every value is percent-escaped as a query value
// before it goes in, so a product id holding "&" or "#" adds no parameter and cuts nothing
// off; keywords no value fills disappear with their at signs.
//
// Threads: made and filled on the main thread before anyone else sees it; reportPurchaseStatus
// and purchaseStatus may be called from any thread (the status is atomic). A successful
// purchase (status 1) closes the ad's screen, on the main thread; the pings go out there too,
// without the URL cache. The controller is held weakly.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ads {

class GADViewController;

class GADInAppPurchase : public std::enable_shared_from_this<GADInAppPurchase> {
    struct Private {};

  public:
    enum Status : std::int64_t {
        StatusError = 0,
        StatusSuccess = 1,
        StatusCancel = 2,
        StatusInvalidProduct = 3,
    };

    static std::shared_ptr<GADInAppPurchase> create(
        std::weak_ptr<GADViewController> adViewController = {});
    GADInAppPurchase(Private, std::weak_ptr<GADViewController> adViewController)
        : adViewController_(std::move(adViewController)) {}
    GADInAppPurchase(const GADInAppPurchase&) = delete;
    GADInAppPurchase& operator=(const GADInAppPurchase&) = delete;

    // "error", "success", "cancel", "invalid product"; "error" for any other value.
    static std::string stringForStatus(std::int64_t status);
    // Exactly 1 to 10.
    static bool quantityIsValid(std::int64_t quantity);

    std::shared_ptr<GADViewController> adViewController() const { return adViewController_.lock(); }
    std::string productID() const;
    void setProductID(std::string productID);
    std::int64_t quantity() const;
    // A quantity outside 1 to 10 is stored as 0.
    void setQuantity(std::int64_t quantity);
    std::vector<std::string> reportingURLStringFormats() const;
    void setReportingURLStringFormats(std::vector<std::string> formats);
    // The last status reported; 0 until then.
    std::int64_t purchaseStatus() const { return purchaseStatus_.load(); }

    void reportPurchaseStatus(std::int64_t status);
    // The template with the purchase's facts filled in (the status as last reported).
    std::optional<std::string> expandedURLStringForURLStringFormat(const std::string& format) const;
    // A report template with the keywords' values put in, each percent-escaped as a query
    // value; keywords left over vanish with their at signs, and "@@" becomes "@". The
    // conversion reports fill their templates the same way.
    static std::string expandedURLString(std::string_view format,
                                         const std::map<std::string, std::string>& keywords);
    // "<GADInAppPurchase: 0x...>(\n  productID: ...,\n  quantity: ...)"
    std::string description() const;

  private:
    const std::weak_ptr<GADViewController> adViewController_;
    mutable std::mutex mutex_;
    std::string productID_;
    std::int64_t quantity_ = 1;
    std::vector<std::string> reportingURLStringFormats_;
    std::atomic<std::int64_t> purchaseStatus_{0};
};

}  // namespace ads
