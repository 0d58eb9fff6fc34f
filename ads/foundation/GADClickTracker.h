#pragma once

// Fires one click or tracking URL of an ad: a cached-file download follows the URL through its
// redirects inside a background task, until the chain ends on a page (the delegate hears the
// last URL requested), leaves the web (a redirect to a scheme that is not http(s), such as a
// store link: the delegate hears the last web URL) or fails. Each tracker reports once.
//
// Main thread only. The tracker holds its download; the download and the delegate are held
// weakly the other way. GADClickTrackerCollection keeps trackers alive until they report.

#include <memory>
#include <optional>

#include "ads/foundation/GADCachedFile.h"
#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/ui/Application.h"

namespace ads {

class GADClickTracker;

class GADClickTrackerDelegate {
  public:
    virtual ~GADClickTrackerDelegate() = default;
    virtual void trackerDidRedirect(GADClickTracker&, const platform::Url& finalURL) {
        (void)finalURL;
    }
    virtual void trackerDidFailWithError(GADClickTracker&,
                                         const std::optional<platform::Error>& error) {
        (void)error;
    }
};

class GADClickTracker : public GADCachedFileDelegate,
                        public std::enable_shared_from_this<GADClickTracker> {
  public:
    static std::shared_ptr<GADClickTracker> create(std::weak_ptr<GADClickTrackerDelegate> delegate);
    ~GADClickTracker() override;
    GADClickTracker(const GADClickTracker&) = delete;
    GADClickTracker& operator=(const GADClickTracker&) = delete;

    std::shared_ptr<GADClickTrackerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADClickTrackerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    bool hasTracked() const { return hasTracked_; }
    // On by default; off, every download ignores cached data.
    bool isCacheEnabled() const { return cacheEnabled_; }
    void setCacheEnabled(bool enabled) { cacheEnabled_ = enabled; }

    // Starts over with this URL (reset first).
    void trackURL(const platform::Url& url);
    // Drops the download and ends the background task; the tracker may be used again.
    void reset();

    // GADCachedFileDelegate
    std::optional<platform::Error> cachedFileShouldRedirectToURL(GADCachedFile& file,
                                                                 const platform::Url& url) override;
    void cachedFileDownloadDidEnd(GADCachedFile& file) override;
    void cachedFileDownloadDidFail(GADCachedFile& file,
                                   const std::optional<platform::Error>& error) override;

  private:
    struct Private {};

  public:
    GADClickTracker(Private, std::weak_ptr<GADClickTrackerDelegate> delegate);

  private:
    void dropDownload();
    void endBackgroundTask();

    platform::ui::Application::BackgroundTaskId backgroundTaskID_ =
        platform::ui::Application::kBackgroundTaskInvalid;
    std::shared_ptr<GADCachedFile> tracker_;
    bool hasTracked_ = false;
    bool cacheEnabled_ = true;
    std::weak_ptr<GADClickTrackerDelegate> delegate_;
};

}  // namespace ads
