#pragma once

// The one thread that moves every asynchronous transfer of the process. Transfers are
// handed over and cancelled from any thread; their callbacks run on this thread and must
// only post onward (Connection posts to the main loop). Not for use outside platform/net.
//
// The worker is never destroyed: pool threads may still hand it transfers while the process
// exits. Its thread stops when the exit begins (ahead of the libraries' own exit clean-up);
// what is handed over after that is kept, unstarted, until the process is gone.

#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/types.h>

#include "platform/net/CurlTransfer.h"
#include "platform/net/TransferDriver.h"

namespace platform {

class NetWorker {
  public:
    static NetWorker& shared();

    void start(std::shared_ptr<CurlTransfer> transfer);
    // The worker drops the transfer on its next turn; callbacks may still come until then,
    // which is why callers check their own state before acting on one.
    void cancel(std::shared_ptr<CurlTransfer> transfer);
    // Lets a transfer paused for its reader (ReceiveWindow) go on; nothing for any other.
    void resume(std::shared_ptr<CurlTransfer> transfer);

    NetWorker(const NetWorker&) = delete;
    NetWorker& operator=(const NetWorker&) = delete;

  private:
    NetWorker();
    ~NetWorker() = delete;
    void run();
    // Ends the thread and waits for it; from the exit handler.
    void stop();

    enum class Kind { Add, Cancel, Resume };
    struct Command {
        Kind kind;
        std::shared_ptr<CurlTransfer> transfer;
    };
    void push(Kind kind, std::shared_ptr<CurlTransfer> transfer);

    std::mutex mutex_;
    std::deque<Command> commands_;
    bool stopping_ = false;
    TransferDriver driver_;
    std::thread thread_;
    // A child forked from this process has no such thread to stop.
    const pid_t owner_;
};

}  // namespace platform
