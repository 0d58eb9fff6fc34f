#pragma once

// One request/response exchange with the transfer library: no redirects (the callers follow
// them, so that each step can be vetoed), no decoding, http and https only. The callbacks run
// on the thread that drives the transfer (see TransferDriver). Not for use outside
// platform/net.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/net/ReceiveWindow.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

namespace platform {

class CurlTransfer {
  public:
    using Clock = std::chrono::steady_clock;

    struct Callbacks {
        // The head of the final (non-1xx) response.
        std::function<void(const UrlResponse&)> onResponse;
        std::function<void(const std::uint8_t* data, std::size_t size)> onData;
        // Exactly once, unless the transfer is dropped by its driver first; nothing on success.
        std::function<void(const std::optional<Error>&)> onComplete;
    };

    // maxBytes < 0: no cap. A body (or an announced length) larger than the cap ends the
    // transfer with kUrlErrorDataLengthExceedsMaximum before those bytes are handed on. A
    // window, when given, pauses the transfer while its reader is behind and caps the body by
    // its limit (see ReceiveWindow).
    CurlTransfer(const UrlRequest& request, Callbacks callbacks, std::int64_t maxBytes = -1,
                 std::shared_ptr<ReceiveWindow> window = nullptr);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Set when the request could not even be prepared (bad URL, bad header); the driver then
    // completes the transfer with it at once.
    const std::optional<Error>& setupError() const { return setupError_; }

    void* easyHandle() const { return easy_; }
    const std::string& url() const { return url_; }

    // When the transfer has been idle for its whole time-out.
    Clock::time_point idleDeadline() const { return lastActivity_ + idleTimeout_; }
    void noteActivity() { lastActivity_ = Clock::now(); }

    // Called by the driver when the library says the transfer ended.
    void complete(int curlCode);
    // Called by the driver when the idle deadline passed.
    void timeOut();
    // Called by the driver for a transfer that could not be prepared.
    void failSetup();
    bool isComplete() const { return completed_; }
    // Paused because the window's reader is behind (driver thread only).
    bool isHeldByReader() const { return heldByReader_; }
    // Called by the driver when the reader has caught up.
    void resume();

  private:
    static std::size_t headerCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t writeCallback(char* data, std::size_t size, std::size_t count, void* self);
    static int progressCallback(void* self, std::int64_t dlTotal, std::int64_t dlNow,
                                std::int64_t ulTotal, std::int64_t ulNow);
    bool handleHeaderLine(std::string_view line);
    void finish(const std::optional<Error>& error);

    void* easy_ = nullptr;
    void* headerList_ = nullptr;
    std::string url_;
    Url requestUrl_;
    UrlRequest::Bytes body_;
    Callbacks callbacks_;
    std::int64_t maxBytes_ = -1;
    std::shared_ptr<ReceiveWindow> window_;
    std::int64_t received_ = 0;
    std::int64_t uploaded_ = 0;
    Clock::duration idleTimeout_;
    Clock::time_point lastActivity_;
    std::optional<Error> setupError_;
    UrlResponse pending_;
    bool inHeaders_ = false;
    bool responseDelivered_ = false;
    bool capExceeded_ = false;
    bool completed_ = false;
    bool heldByReader_ = false;
    char errorBuffer_[256] = {};
};

}  // namespace platform
