#pragma once

// One unit of work for an OperationQueue. Cancelling an operation that has not started means
// it never runs; a running operation sees isCancelled() and may stop early.

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

class Operation : public std::enable_shared_from_this<Operation> {
  public:
    using Body = std::function<void(Operation&)>;

    static std::shared_ptr<Operation> create(Body body);
    static std::shared_ptr<Operation> create(std::function<void()> body);

    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_.load(); }
    bool isExecuting() const { return state_.load() == State::Executing; }
    bool isFinished() const { return state_.load() == State::Finished; }

    // Runs after the operation finished (also when it was cancelled before it started), on
    // the thread that finished it.
    void setCompletion(std::function<void()> completion);

  private:
    friend class OperationQueue;
    enum class State { Pending, Executing, Finished };
    explicit Operation(Body body) : body_(std::move(body)) {}

    // Runs the body unless cancelled; then marks finished and calls the completion.
    void run();
    void finishWithoutRunning();

    Body body_;
    std::function<void()> completion_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> enqueued_{false};
    std::atomic<State> state_{State::Pending};
};

}  // namespace platform
