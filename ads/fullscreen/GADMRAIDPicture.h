#pragma once

// One "storePicture" of an MRAID creative: the user is asked first ("Permission", "The ad is
// requesting to save an image in your photo album.", "Cancel", "Save"); only "Save" downloads
// the picture (once), which is then decoded and saved into the album (the platform's
// PhotoAlbum). The delegate hears that it was stored, or why not, or that the user declined;
// a question withdrawn by its owner tells nobody.
//
// What is taken: web addresses only ("Couldn't create URL request for <url>", before any
// question); at most kMaxBytes (a larger announced length fails at once), a PNG or JPEG of at
// most kMaxSide pixels a side and kMaxPixels pixels (checked by the decoder on the size it reads
// from the picture's header, before it reserves the pixels). Failures after the download are
// "Failed to load <url>. Error: <reason>", with the reason also when only the decoding or the
// saving failed.
//
// Main thread for every call and callback; the download runs on the platform's loader, the
// decoding and saving on a background queue. The picture keeps itself alive while it asks and
// while it downloads; the delegate is weak.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/base/Url.h"
#include "platform/ui/AlertView.h"

namespace platform::gfx {
class Image;
}

namespace ads {

class GADAdView;
class GADMRAIDPicture;

class GADMRAIDPictureDelegate {
  public:
    virtual ~GADMRAIDPictureDelegate() = default;
    virtual void MRAIDPictureDidStorePictureWithURL(GADMRAIDPicture&, const platform::Url&) {}
    virtual void MRAIDPictureFailedToStorePictureWithURL(GADMRAIDPicture&,
                                                         const std::optional<platform::Url>&,
                                                         const std::string& /*message*/) {}
    // The user said "Cancel": nothing is stored, and nobody else is told.
    virtual void MRAIDPictureWasDeclined(GADMRAIDPicture&, const platform::Url&) {}
};

class GADMRAIDPicture : public platform::ui::AlertViewDelegate,
                        public std::enable_shared_from_this<GADMRAIDPicture> {
    struct Private {};

  public:
    static constexpr std::int64_t kMaxBytes = 10 * 1024 * 1024;
    static constexpr std::uint32_t kMaxSide = 8192;
    static constexpr std::uint64_t kMaxPixels = 40'000'000;
    static constexpr double kTimeout = 60;
    static constexpr const char* kPermissionTitle = "Permission";
    static constexpr const char* kPermissionMessage =
        "The ad is requesting to save an image in your photo album.";
    static constexpr const char* kCancelTitle = "Cancel";
    static constexpr const char* kSaveTitle = "Save";
    static constexpr const char* kNoURL = "No image URL to store.";

    static std::shared_ptr<GADMRAIDPicture> create(platform::Url url);
    GADMRAIDPicture(Private, platform::Url url) : pictureURL_(std::move(url)) {}

    const platform::Url& pictureURL() const { return pictureURL_; }
    void setDelegate(std::weak_ptr<GADMRAIDPictureDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // The ad that asked: what the picture's failures write spends its page's log budget.
    void setAdView(std::weak_ptr<GADAdView> adView) { adView_ = std::move(adView); }
    // The question is on screen (or queued).
    bool isAsking() const { return asking_; }
    bool downloadStarted() const { return downloadStarted_; }

    // Asks the user; a URL that is no web address fails at once instead.
    void storeInPhotoAlbum();
    // Takes a question still up (or waiting) down unanswered, as if never asked: nothing is
    // downloaded and the delegate hears nothing.
    void withdrawQuestion();
    void downloadImageWithURL(const std::optional<platform::Url>& url);

    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;
    void alertViewCancel(platform::ui::AlertView& alert) override;

    // Width and height from a PNG's or JPEG's header as the decoder reads it, or none.
    static std::optional<std::pair<std::uint32_t, std::uint32_t>> pictureDimensions(
        const std::vector<std::uint8_t>& bytes);
    // The picture when it is one we take, else the reason.
    static std::variant<platform::gfx::Image, std::string> decodePicture(
        const std::vector<std::uint8_t>& bytes);

  private:
    void fail(const std::optional<platform::Url>& url, const std::string& message);
    void failToLoad(const std::string& reason);
    void stored();

    platform::Url pictureURL_;
    std::weak_ptr<GADMRAIDPictureDelegate> delegate_;
    std::weak_ptr<GADAdView> adView_;
    bool asking_ = false;
    std::weak_ptr<platform::ui::AlertView> question_;
    bool downloadStarted_ = false;
    // Held while asking and downloading.
    std::shared_ptr<GADMRAIDPicture> keepAlive_;
};

}  // namespace ads
