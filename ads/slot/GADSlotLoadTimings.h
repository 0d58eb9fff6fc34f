#pragma once

// The timings of one slot's ad loads, variables of the "load_ad_ios" action kept apart from
// other slots' by keys ending in the slot's random identifier: the ad response ("arf_ios",
// from the request to the processed response), the network ("nwl_ios", which the SDK core
// starts when the ad URL comes), the rendering ("awr_ios") and the total ("ttc_ios"). A load
// that ends, well or not, sends the report. Main thread.

#include <cstdint>
#include <memory>
#include <string>

namespace ads {

class GADCSI;

class GADSlotLoadTimings {
  public:
    // A random identifier; the timings go to the shared performance reports.
    GADSlotLoadTimings();
    GADSlotLoadTimings(std::int64_t identifier, std::shared_ptr<GADCSI> csi);

    std::int64_t identifier() const { return identifier_; }
    const std::string& adResponseKey() const { return adResponseKey_; }
    const std::string& networkLatencyKey() const { return networkLatencyKey_; }
    const std::string& adRenderingKey() const { return adRenderingKey_; }
    const std::string& totalTimeKey() const { return totalTimeKey_; }

    void requestStarted() const;
    // A response the slot renders: the response's timings end, the rendering's starts.
    void renderingStarted() const;
    void loadSucceeded() const;
    void loadFailed() const;
    // A moment of the slot's life ("native:view_create") on the performance report.
    void recordTimestamp(const char* label) const;

  private:
    std::shared_ptr<GADCSI> csi() const;

    std::int64_t identifier_;
    // Nothing: the shared hub of the moment.
    std::shared_ptr<GADCSI> csi_;
    std::string adResponseKey_, networkLatencyKey_, adRenderingKey_, totalTimeKey_;
};

}  // namespace ads
