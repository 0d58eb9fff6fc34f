#include "platform/runtime/Operation.h"

#include <exception>

#include "platform/base/LogSink.h"

namespace platform {

std::shared_ptr<Operation> Operation::create(Body body) {
    return std::shared_ptr<Operation>(new Operation(std::move(body)));
}

std::shared_ptr<Operation> Operation::create(std::function<void()> body) {
    return create(Body([body = std::move(body)](Operation&) {
        if (body) body();
    }));
}

void Operation::setCompletion(std::function<void()> completion) {
    completion_ = std::move(completion);
}

void Operation::run() {
    if (!isCancelled()) {
        state_ = State::Executing;
        try {
            if (body_) body_(*this);
        } catch (const std::exception& e) {
            // The queue must still see the operation finish, or its waiters never return.
            LogSink::writef("Operation threw: %s", e.what());
        } catch (...) {
            LogSink::write("Operation threw");
        }
    }
    finishWithoutRunning();
}

void Operation::finishWithoutRunning() {
    state_ = State::Finished;
    // Drop the body now: it may hold the objects that hold this operation.
    body_ = nullptr;
    auto completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) completion();
}

}  // namespace platform
