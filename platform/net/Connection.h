#pragma once

// Asynchronous URL loading for the main thread (or a queue the caller names). The transfer
// runs on the network worker; everything the delegate hears is posted to the main loop (see
// ConnectionDelegate for the order). Redirects are followed here, one at a time, so the
// delegate can see and refuse each. Create, start and cancel on the main thread. Dropping the
// last reference cancels.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Error.h"
#include "platform/net/ConnectionDelegate.h"
#include "platform/net/HttpRedirect.h"
#include "platform/net/ReceiveWindow.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

namespace platform {

class CurlTransfer;

class Connection : public std::enable_shared_from_this<Connection> {
  public:
    using Bytes = std::vector<std::uint8_t>;
    using Completion = std::function<void(const std::optional<UrlResponse>&, const Bytes&,
                                          const std::optional<Error>&)>;
    // Runs a task on the queue the delegate lives on.
    using Poster = std::function<void(std::function<void()>)>;

    static std::shared_ptr<Connection> create(UrlRequest request,
                                              std::weak_ptr<ConnectionDelegate> delegate);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Starts once; later calls do nothing.
    void start();
    // Stops the transfer; the delegate hears nothing more, not even about events that were
    // already on their way. Safe inside a delegate call and when already finished.
    void cancel();

    // Body bytes per response beyond which the load fails with
    // kUrlErrorDataLengthExceedsMaximum (and the transfer stops); < 0, the default: none.
    // Set before start().
    void setMaxBytes(std::int64_t maxBytes) { maxBytes_ = maxBytes; }
    void setMaxRedirects(int count) { maxRedirects_ = count; }
    // Bounds the body bytes waiting for the delegate, and the body by the window's limit (see
    // ReceiveWindow). Set before start().
    void setReceiveWindow(std::shared_ptr<ReceiveWindow> window) { window_ = std::move(window); }
    const std::shared_ptr<ReceiveWindow>& receiveWindow() const { return window_; }
    // The queue the delegate hears from (a serial queue's async, say) instead of the main
    // loop. Set before start(); the connection is then started and cancelled on that queue
    // too, since its state lives there. An empty poster keeps the main loop.
    void setDelegateQueue(Poster poster);

    const UrlRequest& originalRequest() const { return original_; }
    // The request being sent now (after redirects).
    const UrlRequest& currentRequest() const { return current_; }
    bool isRunning() const { return state_ == State::Running || state_ == State::Starting; }
    bool isCancelled() const { return state_ == State::Cancelled; }

    // One-shot loading with a completion (response, whole body, error) on the main loop or on
    // the given queue. The connection keeps itself alive until the completion has run; the
    // returned pointer may be kept to cancel it, after which the completion never runs.
    static std::shared_ptr<Connection> sendAsynchronousRequest(UrlRequest request,
                                                               Completion completion,
                                                               std::int64_t maxBytes = -1,
                                                               Poster queue = nullptr);

    // One-shot loading of an answer that counts only by its head (pings, reports): the body
    // is read and thrown away, and once more than `bodyLimit` bytes of it came (a limit < 0:
    // never) the transfer stops and the load completes as finished. The network reads at most
    // kDiscardWindowBytes ahead of the queue that throws the body away, so a fast server's
    // large answer is never held whole on its way there. The completion gets the
    // response and the transport error, on the main loop or the given queue; as above, the
    // load keeps itself alive until then and a cancel drops the completion.
    static constexpr std::int64_t kDiscardWindowBytes = 64 * 1024;
    using HeadCompletion =
        std::function<void(const std::optional<UrlResponse>&, const std::optional<Error>&)>;
    static std::shared_ptr<Connection> sendAsynchronousRequestDiscardingBody(
        UrlRequest request, HeadCompletion completion, std::int64_t bodyLimit,
        Poster queue = nullptr);

  private:
    struct Private {};

  public:
    Connection(Private, UrlRequest request, std::weak_ptr<ConnectionDelegate> delegate);

  private:
    enum class State { Idle, Starting, Running, Finished, Cancelled };

    void beginFirstRequest();
    void startHop();
    void stopHop();
    void hopResponse(std::uint64_t hop, const UrlResponse& response);
    void hopData(std::uint64_t hop, const Bytes& data);
    void hopComplete(std::uint64_t hop, const std::optional<Error>& error);
    void fail(const Error& error);
    // The delegate, or nothing - in which case nobody is listening and the load is cancelled.
    std::shared_ptr<ConnectionDelegate> listener();
    // Drops the references a one-shot load keeps on itself, on the next loop turn so that
    // nothing is destroyed inside its own callback.
    void releaseSelf();
    static std::shared_ptr<Connection> startOneShot(
        UrlRequest request, std::shared_ptr<ConnectionDelegate> delegate, std::int64_t maxBytes,
        Poster queue, std::shared_ptr<ReceiveWindow> window = nullptr);

    UrlRequest original_;
    UrlRequest current_;
    std::weak_ptr<ConnectionDelegate> delegate_;
    std::shared_ptr<CurlTransfer> transfer_;
    Poster post_;
    std::uint64_t hop_ = 0;
    int redirects_ = 0;
    int maxRedirects_ = kMaxHttpRedirects;
    std::int64_t maxBytes_ = -1;
    std::shared_ptr<ReceiveWindow> window_;
    bool responseDelivered_ = false;
    State state_ = State::Idle;
    // Only for sendAsynchronousRequest: the connection owns its delegate and itself.
    // A one-shot load is held by a process-wide registry until it ends, rather than by
    // itself, so one abandoned with its loop is still reachable instead of leaked.
    std::shared_ptr<ConnectionDelegate> ownedDelegate_;
    bool oneShot_ = false;
};

}  // namespace platform
