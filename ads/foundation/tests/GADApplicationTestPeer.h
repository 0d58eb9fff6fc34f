#pragma once

// What tests read and drive inside the application beyond the rooms' face: their own
// applications, the launch and sequence switches, the adapter list and the statistics' inner
// steps.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/foundation/GADApplication.h"

namespace ads {

class GADApplicationTestPeer {
  public:
    explicit GADApplicationTestPeer(GADApplication& application) : application_(application) {}
    explicit GADApplicationTestPeer(const std::shared_ptr<GADApplication>& application)
        : application_(*application) {}

    // An application of the test's own, apart from the shared one.
    static std::shared_ptr<GADApplication> create() { return GADApplication::create(); }

    bool hasRunEarlyActivities() const { return application_.hasRunEarlyActivities(); }
    bool appFinishedLaunching() const { return application_.appFinishedLaunching(); }
    void setAppFinishedLaunching(bool launched) { application_.setAppFinishedLaunching(launched); }
    std::uint64_t sequenceNumber() const { return application_.sequenceNumber(); }
    void setSequenceNumber(std::uint64_t number) { application_.setSequenceNumber(number); }
    std::optional<std::filesystem::path> iTunesMetadataPath() const {
        return application_.iTunesMetadataPath();
    }
    bool isContentHashing() const { return application_.isContentHashing(); }

    void setAvailableAdapterNames(std::optional<std::vector<std::string>> names) {
        application_.setAvailableAdapterNames(std::move(names));
    }
    static std::set<std::string> availableAdapterNamesInSet(const std::set<std::string>& names) {
        return GADApplication::availableAdapterNamesInSet(names);
    }

    void incrementTotalAdRequestCount() { application_.incrementTotalAdRequestCount(); }
    void decrementTotalAdRequestCount() { application_.decrementTotalAdRequestCount(); }
    void didBecomeActive() { application_.didBecomeActive(); }

  private:
    GADApplication& application_;
};

}  // namespace ads
