#pragma once

// Shared by several ad views so that the server sees their requests as one page view: each of
// them sends the same "correlation_id". Immutable; any thread.

#include <cstdint>
#include <memory>

namespace ads {

class GADCorrelator {
    struct Private {};

  public:
    // A fresh correlator for a group of ad views: a random, non-zero id (0 means "no
    // correlator" to the formats that compare ids).
    static std::shared_ptr<GADCorrelator> create();
    static std::shared_ptr<GADCorrelator> create(std::uint32_t correlationID) {
        return std::make_shared<GADCorrelator>(Private{}, correlationID);
    }
    GADCorrelator(Private, std::uint32_t correlationID) : correlationID_(correlationID) {}
    GADCorrelator(const GADCorrelator&) = delete;
    GADCorrelator& operator=(const GADCorrelator&) = delete;

    std::uint32_t correlationID() const { return correlationID_; }

  private:
    const std::uint32_t correlationID_;
};

}  // namespace ads
