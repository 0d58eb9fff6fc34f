#pragma once

// Fires the click and tracking URLs of ads and keeps each tracker alive until it has
// reported; the cleanup runs on a later main-loop turn, so no tracker is dropped inside its
// own report. Main thread only.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ads/foundation/GADClickTracker.h"
#include "platform/base/Url.h"

namespace ads {

class GADClickTrackerCollection : public GADClickTrackerDelegate,
                                  public std::enable_shared_from_this<GADClickTrackerCollection> {
  public:
    static std::shared_ptr<GADClickTrackerCollection> sharedInstance();
    static std::shared_ptr<GADClickTrackerCollection> create();
    // Resets every tracker still running.
    ~GADClickTrackerCollection() override;
    GADClickTrackerCollection(const GADClickTrackerCollection&) = delete;
    GADClickTrackerCollection& operator=(const GADClickTrackerCollection&) = delete;

    void trackURLs(const std::vector<platform::Url>& urls, bool cacheEnabled);
    // Texts that do not form a URL are skipped; the rest are tracked in order.
    void trackURLStrings(const std::vector<std::string>& urls, bool cacheEnabled);
    void trackURL(const platform::Url& url, bool cacheEnabled);
    void trackURL(const platform::Url& url) { trackURL(url, true); }

    std::size_t trackerCount() const { return trackers_.size(); }

    // GADClickTrackerDelegate
    void trackerDidRedirect(GADClickTracker&, const platform::Url&) override;
    void trackerDidFailWithError(GADClickTracker&, const std::optional<platform::Error>&) override;

  private:
    struct Private {};

  public:
    explicit GADClickTrackerCollection(Private) {}

  private:
    void scheduleCleanup();
    void cleanupTrackers();

    std::set<std::shared_ptr<GADClickTracker>> trackers_;
};

}  // namespace ads
