#pragma once

// What a request carries for one ad network: any object the network's adapter understands,
// registered under the name of its class (the adapter asks for it by that name). The SDK's own
// extras are GADExtras. Extras are shared between copies of a request, so they are handed
// around as const.

#include <memory>
#include <string>

namespace ads {

class GADAdNetworkExtras {
  public:
    virtual ~GADAdNetworkExtras() = default;
    // The name the extras are registered under; each extras class answers its own.
    virtual std::string extrasClassName() const = 0;
};

}  // namespace ads
