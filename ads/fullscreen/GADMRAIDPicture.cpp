#include "ads/fullscreen/GADMRAIDPicture.h"

#include "ads/web/GADPageLog.h"
#include "platform/base/StringEscaping.h"
#include "platform/gfx/Image.h"
#include "platform/net/Connection.h"
#include "platform/net/HttpStatus.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/services/PhotoAlbum.h"

namespace ads {

using platform::Url;

namespace {

platform::SerialQueue& pictureQueue() {
    // Never released: a picture may still be saved while the process ends.
    static auto* queue = new platform::SerialQueue("com.zivivu.durez.mraid-picture");
    return *queue;
}

bool isWebURL(const Url& url) {
    return (url.scheme() == "http" || url.scheme() == "https") && !url.host().empty();
}

}  // namespace

std::shared_ptr<GADMRAIDPicture> GADMRAIDPicture::create(Url url) {
    return std::make_shared<GADMRAIDPicture>(Private{}, std::move(url));
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> GADMRAIDPicture::pictureDimensions(
    const std::vector<std::uint8_t>& bytes) {
    // The decoder's own header reader, so the size is the one it would decode.
    const auto size = platform::gfx::Image::readSize(bytes.data(), bytes.size());
    if (!size) return std::nullopt;
    return std::make_pair(size->width, size->height);
}

std::variant<platform::gfx::Image, std::string> GADMRAIDPicture::decodePicture(
    const std::vector<std::uint8_t>& bytes) {
    using Failure = platform::gfx::Image::DecodeFailure;
    if (bytes.empty()) return std::string("The answer was empty.");
    if (bytes.size() > static_cast<std::size_t>(kMaxBytes)) {
        return std::string("The picture is larger than 10 MiB.");
    }
    // The limits go to the decoder, which checks them on the frame it is about to decode,
    // before it reserves its pixels.
    platform::gfx::Image::Limits limits;
    limits.maxSide = kMaxSide;
    limits.maxPixels = kMaxPixels;
    Failure failure;
    auto image = platform::gfx::Image::decode(bytes, limits, &failure);
    if (image) return std::move(*image);
    switch (failure.kind) {
        case Failure::Kind::NotAPicture:
            return std::string("The data is not a PNG or JPEG picture.");
        case Failure::Kind::TooLarge:
            return "The picture is too large (" + std::to_string(failure.width) + " x " +
                   std::to_string(failure.height) + " pixels).";
        case Failure::Kind::Unreadable:
            break;
    }
    return std::string("The picture could not be decoded") +
           (failure.message.empty() ? "." : ": " + failure.message + ".");
}

void GADMRAIDPicture::storeInPhotoAlbum() {
    MOVU_CHECK_MAIN_THREAD();
    if (!isWebURL(pictureURL_)) {
        fail(pictureURL_, "Couldn't create URL request for " + pictureURL_.absoluteString());
        return;
    }
    if (asking_ || downloadStarted_) return;
    asking_ = true;
    keepAlive_ = shared_from_this();
    auto question = platform::ui::AlertView::create(kPermissionTitle, kPermissionMessage,
                                                    weak_from_this(), kCancelTitle, {kSaveTitle});
    question_ = question;
    question->show();
}

void GADMRAIDPicture::withdrawQuestion() {
    MOVU_CHECK_MAIN_THREAD();
    if (!asking_) return;
    asking_ = false;
    if (auto question = question_.lock()) {
        // Without a click: the picture hears nothing back.
        question->setDelegate({});
        question->dismissWithClickedButtonIndex(0, false);
    }
    question_.reset();
    platform::MainLoop::main().post([keep = std::move(keepAlive_)] {});
}

void GADMRAIDPicture::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    if (!asking_) return;
    asking_ = false;
    question_.reset();
    if (index == alert.firstOtherButtonIndex()) {
        downloadImageWithURL(pictureURL_);
        return;
    }
    // Let go on a later turn, not inside the alert's call.
    platform::MainLoop::main().post([keep = std::move(keepAlive_)] {});
    if (auto delegate = delegate_.lock()) delegate->MRAIDPictureWasDeclined(*this, pictureURL_);
}

void GADMRAIDPicture::alertViewCancel(platform::ui::AlertView& alert) {
    alertViewClickedButtonAtIndex(alert, 0);
}

void GADMRAIDPicture::downloadImageWithURL(const std::optional<Url>& url) {
    MOVU_CHECK_MAIN_THREAD();
    if (downloadStarted_) return;
    if (!url) {
        fail(std::nullopt, kNoURL);
        return;
    }
    if (!isWebURL(*url)) {
        fail(url, "Couldn't create URL request for " + url->absoluteString());
        return;
    }
    downloadStarted_ = true;
    keepAlive_ = shared_from_this();
    platform::UrlRequest request(*url);
    request.setTimeoutInterval(kTimeout);
    platform::Connection::sendAsynchronousRequest(
        request,
        [self = shared_from_this()](const std::optional<platform::UrlResponse>& response,
                                    const platform::Connection::Bytes& body,
                                    const std::optional<platform::Error>& error) {
            if (error) {
                self->failToLoad(error->localizedDescription());
                return;
            }
            const long status = response ? response->statusCode : 0;
            if (status < 200 || status > 299) {
                self->failToLoad("The server answered " + std::to_string(status) + " " +
                                 platform::localizedStringForStatusCode(status) + ".");
                return;
            }
            pictureQueue().async([self, body] {
                auto decoded = decodePicture(body);
                std::string reason;
                std::string albumRefusal;
                if (auto* image = std::get_if<platform::gfx::Image>(&decoded)) {
                    if (!platform::services::PhotoAlbum::save(*image, &albumRefusal)) {
                        reason = "The picture could not be saved to the album.";
                    }
                } else {
                    reason = std::get<std::string>(decoded);
                }
                platform::MainLoop::main().post([self, reason, albumRefusal] {
                    // The detail names the album's folder, inside the user's home: it is for
                    // the log, not for the creative. Written here, where the ad view lives.
                    if (!reason.empty() && !albumRefusal.empty()) {
                        GADPageLog::write(self->adView_.lock().get(),
                                          "MRAID picture: the album refused it: " + albumRefusal);
                    }
                    if (reason.empty()) {
                        self->stored();
                    } else {
                        self->failToLoad(reason);
                    }
                });
            });
        },
        kMaxBytes);
}

void GADMRAIDPicture::stored() {
    auto keep = std::move(keepAlive_);
    if (auto delegate = delegate_.lock()) {
        delegate->MRAIDPictureDidStorePictureWithURL(*this, pictureURL_);
    }
}

void GADMRAIDPicture::failToLoad(const std::string& reason) {
    fail(pictureURL_, "Failed to load " + pictureURL_.absoluteString() + ". Error: " + reason);
}

void GADMRAIDPicture::fail(const std::optional<Url>& url, const std::string& message) {
    auto keep = std::move(keepAlive_);
    // The message names the creative's address: a readable line of it.
    GADPageLog::write(adView_.lock().get(), [&] {
        return "MRAID picture: " + platform::logValue(message, platform::kLogTextMaxBytes);
    });
    if (auto delegate = delegate_.lock()) {
        delegate->MRAIDPictureFailedToStorePictureWithURL(*this, url, message);
    }
}

}  // namespace ads
