#include "ads/foundation/GADAd.h"

#include <algorithm>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADStatisticDictionary.h"

namespace ads {

namespace {

void addURLs(GADAd::URLSet& set, const std::vector<platform::Url>& urls) {
    for (const platform::Url& url : urls) {
        const bool known = std::any_of(set.begin(), set.end(), [&](const platform::Url& kept) {
            return kept.absoluteString() == url.absoluteString();
        });
        if (!known) set.push_back(url);
    }
}

}  // namespace

std::shared_ptr<GADAd> GADAd::create() {
    return std::make_shared<GADAd>(Private{});
}

GADAd::GADAd(Private)
    : statistics_(GADStatisticDictionary::create(GADApplication::sharedInstance())) {}

GADAd::~GADAd() = default;

void GADAd::addClickURLsFromArray(const std::vector<platform::Url>& urls) {
    addURLs(clickURLs_, urls);
}

void GADAd::addImpressionURLsFromArray(const std::vector<platform::Url>& urls) {
    addURLs(impressionURLs_, urls);
}

void GADAd::addManualImpressionURLsFromArray(const std::vector<platform::Url>& urls) {
    addURLs(manualImpressionURLs_, urls);
}

}  // namespace ads
