#pragma once

// Drives any number of transfers on the calling thread: one libcurl multi handle plus the
// idle time-outs, which we keep ourselves because the library's own low-speed limit only
// works in whole seconds. A driver belongs to one thread; only wakeup() may be called from
// others. Not for use outside platform/net.

#include <chrono>
#include <map>
#include <memory>

#include "platform/net/CurlTransfer.h"

namespace platform {

class TransferDriver {
  public:
    TransferDriver();
    ~TransferDriver();
    TransferDriver(const TransferDriver&) = delete;
    TransferDriver& operator=(const TransferDriver&) = delete;

    // A transfer whose setup failed is completed at once, with its setup error.
    void add(std::shared_ptr<CurlTransfer> transfer);
    // Drops a transfer without completing it.
    void remove(const CurlTransfer* transfer);
    // Lets a transfer that paused for its reader go on.
    void resume(const CurlTransfer* transfer);
    bool empty() const { return transfers_.empty(); }

    // Moves every transfer forward and completes those that ended or idled out. Only when
    // none did, it waits at most `maxWait` for sockets, the next deadline or wakeup() and
    // moves them on once more, so a caller waiting for one transfer sees it end at once.
    void runOnce(std::chrono::milliseconds maxWait);
    void wakeup();

  private:
    // Both answer how many transfers they completed.
    std::size_t perform();
    std::size_t expireIdle();

    void* multi_ = nullptr;
    std::map<void*, std::shared_ptr<CurlTransfer>> transfers_;
};

}  // namespace platform
