#pragma once

// The publisher's extras for its custom events: one dictionary per network entry's label,
// registered on the GADRequest like any network's extras (under kClassName, the extras class
// GADMAdapterCustomEvents names). The custom event of an entry finds its dictionary in its
// request's additionalParameters. Filled by the app before it loads; read-only once a request
// holds it.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdNetworkExtras.h"
#include "platform/base/Value.h"

namespace ads {

class GADCustomEventExtras : public GADAdNetworkExtras {
  public:
    static constexpr const char* kClassName = "GADCustomEventExtras";
    using Table = std::map<std::string, platform::Value::Dictionary>;

    std::string extrasClassName() const override { return kClassName; }

    // Stores the dictionary under the label, replacing what was there; no dictionary takes the
    // label's entry away. Without a label nothing changes, and the app's developer is told.
    void setExtras(std::optional<platform::Value::Dictionary> extras,
                   const std::optional<std::string>& label);
    std::optional<platform::Value::Dictionary> extrasForLabel(
        const std::optional<std::string>& label) const;
    void removeAllExtras() { extras_.clear(); }
    const Table& allExtras() const { return extras_; }

  private:
    Table extras_;
};

}  // namespace ads
