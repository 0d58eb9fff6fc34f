#include "platform/net/NetWorker.h"

#include <pthread.h>

#include "platform/net/CookieJar.h"

namespace platform {

NetWorker& NetWorker::shared() {
    // The cookie jar must outlive the worker's transfers, so it is made first (and therefore
    // destroyed last).
    CookieJar::shared();
    static NetWorker worker;
    return worker;
}

NetWorker::NetWorker() : thread_([this] { run(); }) {}

NetWorker::~NetWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    driver_.wakeup();
    thread_.join();
}

void NetWorker::start(std::shared_ptr<CurlTransfer> transfer) {
    push(Kind::Add, std::move(transfer));
}

void NetWorker::cancel(std::shared_ptr<CurlTransfer> transfer) {
    push(Kind::Cancel, std::move(transfer));
}

void NetWorker::resume(std::shared_ptr<CurlTransfer> transfer) {
    push(Kind::Resume, std::move(transfer));
}

void NetWorker::push(Kind kind, std::shared_ptr<CurlTransfer> transfer) {
    if (!transfer) return;
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(Command{kind, std::move(transfer)});
    }
    driver_.wakeup();
}

void NetWorker::run() {
    // Named so that it can be told apart in a debugger or in top.
    pthread_setname_np(pthread_self(), "movu-net");
    for (;;) {
        std::deque<Command> commands;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            commands.swap(commands_);
        }
        for (auto& command : commands) {
            switch (command.kind) {
                case Kind::Add:
                    driver_.add(command.transfer);
                    break;
                case Kind::Cancel:
                    driver_.remove(command.transfer.get());
                    break;
                case Kind::Resume:
                    driver_.resume(command.transfer.get());
                    break;
            }
        }
        // Commands wake the poll early, so a long wait costs nothing.
        driver_.runOnce(std::chrono::seconds(30));
    }
}

}  // namespace platform
