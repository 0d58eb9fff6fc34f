#pragma once

// A queue of operations run with at most a given number at a time, on pool threads or on the
// main loop. It can be suspended (running operations finish, no new ones start), cancelled as
// a whole, and waited for.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/Operation.h"

namespace platform {

class OperationQueue {
  public:
    // No limit (the pool decides).
    static constexpr int kDefaultMaxConcurrent = -1;

    explicit OperationQueue(std::string name = {});
    // A queue whose operations run one at a time on the main loop.
    static std::unique_ptr<OperationQueue> onMainLoop(std::string name = {});
    // Pending operations still run after the queue object is gone.
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    const std::string& name() const;
    bool targetsMainLoop() const;

    // An operation joins one queue once; adding it again (or an already finished one) is
    // ignored.
    void addOperation(const std::shared_ptr<Operation>& op);
    std::shared_ptr<Operation> addOperation(std::function<void()> body);

    // At least 1, or kDefaultMaxConcurrent; a main-loop queue always runs one at a time.
    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    void setSuspended(bool suspended);
    bool isSuspended() const;

    // Marks every queued and running operation cancelled; queued ones finish without running.
    void cancelAllOperations();
    // Blocks until no operation is queued or running. On a main-loop queue called from the
    // main thread it runs the loop meanwhile instead of blocking it. A suspended queue with
    // queued operations never becomes idle: do not wait on one.
    void waitUntilAllOperationsAreFinished();

    // Queued plus running.
    std::size_t operationCount() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform
