#pragma once

// The opener's store sheets (platform::services::StoreProductSheet), with the prefetch cache:
// a sheet fetched before is shown from the cache and used once; otherwise a new sheet waits
// for its product or is shown at once while it loads. A product that fails to load closes a
// sheet already up and opens the fallback URL through the opener's openApp; a waiting fetch
// that fails opens the fallback too, since the user asked to go somewhere. Every sheet has the
// shared store delegate (GADSKStoreProductViewControllerDelegate) and is put up through its
// GADOverlayProxy with the opener's slot.
//
// A page asks for prefetches with no gate and nothing shown, as often as it likes: at most
// kMaxPrefetches start per opener (so per ad page), each for an identifier of at most
// kMaxProductIDBytes (store identifiers are numbers); one past either is refused with a line out
// of the page's log budget, and nothing is loaded or kept.
//
// Main thread only. Its opener owns it and is held weakly; a loading sheet is kept by its own
// completion, which holds this weakly; the cache holds its sheets until they are used.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/base/Url.h"

namespace platform::services {
class StoreProductSheet;
}

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADOpener;

class GADOpenerStoreSheets : public std::enable_shared_from_this<GADOpenerStoreSheets> {
    struct Private {};

  public:
    static std::shared_ptr<GADOpenerStoreSheets> create(std::weak_ptr<GADOpener> opener);
    GADOpenerStoreSheets(Private, std::weak_ptr<GADOpener> opener) : opener_(std::move(opener)) {}

    // Behind the opener's gate. An empty product identifier is ignored; the fallback may be
    // absent.
    void openInAppStoreWithProductID(const std::string& productID,
                                     const std::optional<platform::Url>& fallbackURL,
                                     bool shouldWaitForFetch);
    // A creative prefetches the product it advertises, perhaps one or two more.
    static constexpr std::size_t kMaxPrefetches = 8;
    static constexpr std::size_t kMaxProductIDBytes = 32;

    // Loads a sheet for later; no gate (nothing is shown).
    void fetchInAppStoreForProductID(const std::string& productID);
    // Whether a loaded sheet for the product waits in the cache.
    bool hasCachedProduct(const std::string& productID) const {
        return cachedStoreProductViewController_.count(productID) != 0;
    }

  private:
    void presentStoreSheet(GADOpener& opener,
                           const std::shared_ptr<platform::services::StoreProductSheet>& sheet,
                           const std::shared_ptr<platform::ui::ViewController>& from);
    void storeProductDidLoad(const std::shared_ptr<platform::services::StoreProductSheet>& sheet,
                             bool loaded, const std::optional<platform::Url>& fallbackURL,
                             bool waited);

    std::weak_ptr<GADOpener> opener_;
    std::map<std::string, std::shared_ptr<platform::services::StoreProductSheet>>
        cachedStoreProductViewController_;
    std::size_t prefetches_ = 0;
};

}  // namespace ads
