#pragma once

// A bound on the body bytes on their way from the network to a connection's delegate. A
// delegate on a queue slower than the network (one that writes every chunk to a file, say)
// would otherwise let a fast server fill memory with chunks waiting for it. Here, once `window`
// bytes wait, the transfer pauses - the server is left waiting on its socket, and the idle
// time-out does not run - until the delegate has taken half of them.
//
// `limit`, when not negative, is the most body bytes one response may bring: the next chunk
// stops the transfer with kUrlErrorDataLengthExceedsMaximum before it is handed on, as
// Connection::setMaxBytes does. Unlike that cap it does not judge an announced length, so the
// delegate still sees such a response and decides about it itself.
//
// One window serves one connection at a time (with its redirects); give it with
// Connection::setReceiveWindow before the start. The counters may be read from any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace platform {

class CurlTransfer;

class ReceiveWindow {
  public:
    explicit ReceiveWindow(std::int64_t window, std::int64_t limit = -1);
    ReceiveWindow(const ReceiveWindow&) = delete;
    ReceiveWindow& operator=(const ReceiveWindow&) = delete;

    std::int64_t window() const { return window_; }
    std::int64_t limit() const { return limit_; }
    // Bytes handed on by the network that the delegate has not taken yet.
    std::int64_t waitingBytes() const { return waiting_.load(); }
    // The most that ever waited at once.
    std::int64_t peakWaitingBytes() const { return peak_.load(); }
    // Body bytes handed on in all, over every response.
    std::int64_t receivedBytes() const { return received_.load(); }
    // How often the transfer paused for the delegate.
    std::int64_t pauses() const { return pauses_.load(); }

    // The network side (platform/net only). Whether `bytes` more may be handed on now; when
    // not, the transfer pauses and is resumed once the delegate has caught up.
    bool admit(std::size_t bytes);
    // The delegate's side: `bytes` are no longer waiting (taken, or dropped with their task).
    void release(std::size_t bytes);
    // The delegate's side too: `bytes` it was handed still count as waiting until it releases
    // them. A delegate that keeps what it was given for a reader of its own (a media source's
    // read-ahead) holds the transfer back by it instead of cancelling it and asking again.
    void hold(std::size_t bytes);
    // The transfer that a resume goes to.
    void attach(const std::shared_ptr<CurlTransfer>& transfer);

  private:
    const std::int64_t window_;
    const std::int64_t limit_;
    std::atomic<std::int64_t> waiting_{0};
    std::atomic<std::int64_t> peak_{0};
    std::atomic<std::int64_t> received_{0};
    std::atomic<std::int64_t> pauses_{0};
    std::atomic<bool> paused_{false};
    std::mutex mutex_;
    std::weak_ptr<CurlTransfer> transfer_;
};

}  // namespace platform
