#include "ads/foundation/GADClickTracker.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "ads/foundation/GADInternalError.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

namespace {

bool isWebScheme(const platform::Url& url) {
    std::string scheme = url.scheme();
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme.rfind("http", 0) == 0;
}

}  // namespace

std::shared_ptr<GADClickTracker> GADClickTracker::create(
    std::weak_ptr<GADClickTrackerDelegate> delegate) {
    return std::make_shared<GADClickTracker>(Private{}, std::move(delegate));
}

GADClickTracker::GADClickTracker(Private, std::weak_ptr<GADClickTrackerDelegate> delegate)
    : delegate_(std::move(delegate)) {}

GADClickTracker::~GADClickTracker() {
    dropDownload();
    endBackgroundTask();
}

void GADClickTracker::trackURL(const platform::Url& url) {
    reset();
    backgroundTaskID_ = platform::ui::Application::shared().beginBackgroundTask(
        platform::weakCall(weak_from_this(), &GADClickTracker::reset));
    tracker_ = GADCachedFile::createWithURL(url);
    tracker_->setDelegate(weak_from_this());
    if (!cacheEnabled_) {
        tracker_->setCachePolicy(platform::UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
    }
    // The download may fail at once, inside this call, and report then.
    auto download = tracker_;
    download->validate();
}

void GADClickTracker::reset() {
    hasTracked_ = false;
    dropDownload();
    endBackgroundTask();
}

void GADClickTracker::dropDownload() {
    if (!tracker_) return;
    auto download = std::move(tracker_);
    download->setDelegate({});
    download->invalidate();
}

void GADClickTracker::endBackgroundTask() {
    if (backgroundTaskID_ == platform::ui::Application::kBackgroundTaskInvalid) return;
    platform::ui::Application::shared().endBackgroundTask(backgroundTaskID_);
    backgroundTaskID_ = platform::ui::Application::kBackgroundTaskInvalid;
}

std::optional<platform::Error> GADClickTracker::cachedFileShouldRedirectToURL(
    GADCachedFile& file, const platform::Url& url) {
    if (isWebScheme(url)) return std::nullopt;
    // Out of the web (a store or app link): the chain ends at the last web URL, which the
    // download still names as its destination.
    cachedFileDownloadDidEnd(file);
    return gad_errorWithDomain(kGADErrorDomain, 0, std::nullopt);
}

void GADClickTracker::cachedFileDownloadDidEnd(GADCachedFile& file) {
    if (hasTracked_) return;
    auto self = shared_from_this();
    hasTracked_ = true;
    const platform::Url destination = file.HTTPDestinationURL();
    if (auto delegate = delegate_.lock()) delegate->trackerDidRedirect(*this, destination);
    endBackgroundTask();
}

void GADClickTracker::cachedFileDownloadDidFail(GADCachedFile&,
                                                const std::optional<platform::Error>& error) {
    if (hasTracked_) return;
    auto self = shared_from_this();
    hasTracked_ = true;
    if (auto delegate = delegate_.lock()) delegate->trackerDidFailWithError(*this, error);
    endBackgroundTask();
}

}  // namespace ads
