#include "ads/foundation/GADClickTrackerCollection.h"

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

std::shared_ptr<GADClickTrackerCollection> GADClickTrackerCollection::sharedInstance() {
    // Never released: trackers run on while their ads are long gone.
    static auto* instance = new std::shared_ptr<GADClickTrackerCollection>(create());
    return *instance;
}

std::shared_ptr<GADClickTrackerCollection> GADClickTrackerCollection::create() {
    return std::make_shared<GADClickTrackerCollection>(Private{});
}

GADClickTrackerCollection::~GADClickTrackerCollection() {
    for (const auto& tracker : trackers_) {
        tracker->setDelegate({});
        tracker->reset();
    }
}

void GADClickTrackerCollection::trackURLs(const std::vector<platform::Url>& urls,
                                          bool cacheEnabled) {
    for (const auto& url : urls) trackURL(url, cacheEnabled);
}

void GADClickTrackerCollection::trackURLStrings(const std::vector<std::string>& urls,
                                                bool cacheEnabled) {
    for (const auto& text : urls) {
        if (auto url = platform::Url::parse(text)) trackURL(*url, cacheEnabled);
    }
}

void GADClickTrackerCollection::trackURL(const platform::Url& url, bool cacheEnabled) {
    auto tracker = GADClickTracker::create(weak_from_this());
    tracker->setCacheEnabled(cacheEnabled);
    trackers_.insert(tracker);
    // A tracker that fails at once reports inside this call; its cleanup comes later anyway.
    tracker->trackURL(url);
}

void GADClickTrackerCollection::trackerDidRedirect(GADClickTracker&, const platform::Url&) {
    scheduleCleanup();
}

void GADClickTrackerCollection::trackerDidFailWithError(GADClickTracker&,
                                                        const std::optional<platform::Error>&) {
    scheduleCleanup();
}

void GADClickTrackerCollection::scheduleCleanup() {
    platform::MainLoop::main().post(
        platform::weakCall(weak_from_this(), &GADClickTrackerCollection::cleanupTrackers));
}

void GADClickTrackerCollection::cleanupTrackers() {
    for (auto it = trackers_.begin(); it != trackers_.end();) {
        if ((*it)->hasTracked()) {
            (*it)->setDelegate({});
            it = trackers_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace ads
