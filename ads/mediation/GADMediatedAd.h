#pragma once

// A network's ad as the app's code sees it once mediation delivered it (native ads): the
// click and impression reports of its network run through the handlers added here, in the
// order added. The network's own ad object rides along, opaque to this room. Main thread.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ads {

class GADMediatedAd {
  public:
    GADMediatedAd(std::string adNetworkClassName, std::shared_ptr<void> networkAd)
        : adNetworkClassName_(std::move(adNetworkClassName)), networkAd_(std::move(networkAd)) {}
    virtual ~GADMediatedAd() = default;

    void addClickHandler(std::function<void()> handler);
    void addImpressionHandler(std::function<void()> handler);
    // Each runs every handler of its list once.
    void reportClick();
    // A native ad's wrapper tells its network after the handlers.
    virtual void reportImpression();

    const std::string& adNetworkClassName() const { return adNetworkClassName_; }
    const std::shared_ptr<void>& networkAd() const { return networkAd_; }

  private:
    std::vector<std::function<void()>> clickHandlers_;
    std::vector<std::function<void()>> impressionHandlers_;
    std::string adNetworkClassName_;
    std::shared_ptr<void> networkAd_;
};

}  // namespace ads
