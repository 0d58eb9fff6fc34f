#include "platform/net/ReceiveWindow.h"

#include "platform/net/NetWorker.h"

namespace platform {

ReceiveWindow::ReceiveWindow(std::int64_t window, std::int64_t limit)
    : window_(window > 0 ? window : 1), limit_(limit) {}

bool ReceiveWindow::admit(std::size_t bytes) {
    if (waiting_.load() >= window_) {
        paused_.store(true);
        // The delegate may have taken bytes between the two looks without seeing the pause;
        // the second look makes sure a pause always has a release left to end it.
        if (waiting_.load() >= window_) {
            ++pauses_;
            return false;
        }
        paused_.store(false);
    }
    received_.fetch_add(std::int64_t(bytes));
    hold(bytes);
    return true;
}

void ReceiveWindow::hold(std::size_t bytes) {
    const std::int64_t now = waiting_.fetch_add(std::int64_t(bytes)) + std::int64_t(bytes);
    std::int64_t peak = peak_.load();
    while (now > peak && !peak_.compare_exchange_weak(peak, now)) {
    }
}

void ReceiveWindow::release(std::size_t bytes) {
    const std::int64_t now = waiting_.fetch_sub(std::int64_t(bytes)) - std::int64_t(bytes);
    // Half the window before resuming, so a slow delegate does not have the transfer paused
    // and resumed for every chunk.
    if (now > window_ / 2 || !paused_.exchange(false)) return;
    std::shared_ptr<CurlTransfer> transfer;
    {
        std::lock_guard lock(mutex_);
        transfer = transfer_.lock();
    }
    if (transfer) NetWorker::shared().resume(std::move(transfer));
}

void ReceiveWindow::attach(const std::shared_ptr<CurlTransfer>& transfer) {
    std::lock_guard lock(mutex_);
    transfer_ = transfer;
}

}  // namespace platform
