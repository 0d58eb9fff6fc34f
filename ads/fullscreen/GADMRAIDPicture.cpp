#include "ads/fullscreen/GADMRAIDPicture.h"

#include "platform/base/LogSink.h"
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

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

std::uint16_t bigEndian16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

}  // namespace

std::shared_ptr<GADMRAIDPicture> GADMRAIDPicture::create(Url url) {
    return std::make_shared<GADMRAIDPicture>(Private{}, std::move(url));
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> GADMRAIDPicture::pictureDimensions(
    const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() >= 24 && std::equal(kPng, kPng + 8, bytes.begin())) {
        // The first chunk is IHDR: width and height right after its type.
        if (std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR") return std::nullopt;
        return std::make_pair(bigEndian32(&bytes[16]), bigEndian32(&bytes[20]));
    }
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    // JPEG: walk the marker segments up to the first start of frame.
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the data
        const std::size_t length = bigEndian16(&bytes[at + 2]);
        if (length < 2) return std::nullopt;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || at + 2 + 7 > bytes.size()) return std::nullopt;
            const std::uint32_t height = bigEndian16(&bytes[at + 5]);
            const std::uint32_t width = bigEndian16(&bytes[at + 7]);
            return std::make_pair(width, height);
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::variant<platform::gfx::Image, std::string> GADMRAIDPicture::decodePicture(
    const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return std::string("The answer was empty.");
    if (bytes.size() > static_cast<std::size_t>(kMaxBytes)) {
        return std::string("The picture is larger than 10 MiB.");
    }
    const auto size = pictureDimensions(bytes);
    if (!size) return std::string("The data is not a PNG or JPEG picture.");
    const auto [width, height] = *size;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        std::uint64_t(width) * height > kMaxPixels) {
        return "The picture is too large (" + std::to_string(width) + " x " +
               std::to_string(height) + " pixels).";
    }
    std::string error;
    auto image = platform::gfx::Image::decode(bytes, &error);
    if (!image || image->empty()) {
        return std::string("The picture could not be decoded") +
               (error.empty() ? "." : ": " + error + ".");
    }
    return std::move(*image);
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
                if (auto* image = std::get_if<platform::gfx::Image>(&decoded)) {
                    if (!platform::services::PhotoAlbum::save(*image, &reason)) {
                        reason = "The picture could not be saved: " + reason;
                    }
                } else {
                    reason = std::get<std::string>(decoded);
                }
                platform::MainLoop::main().post([self, reason] {
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
    platform::LogSink::write("MRAID picture: " + message);
    if (auto delegate = delegate_.lock()) {
        delegate->MRAIDPictureFailedToStorePictureWithURL(*this, url, message);
    }
}

}  // namespace ads
