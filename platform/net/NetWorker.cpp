#include "platform/net/NetWorker.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/net/CookieJar.h"

namespace platform {

NetWorker& NetWorker::shared() {
    // The transfer library is set up by the cookie jar, before the worker registers its exit
    // handler, so the handler runs ahead of the library's own clean-up.
    CookieJar::shared();
    static NetWorker* worker = [] {
        auto* made = new NetWorker();
        std::atexit([] { shared().stop(); });
        return made;
    }();
    return *worker;
}

NetWorker::NetWorker() : thread_([this] { run(); }), owner_(::getpid()) {}

void NetWorker::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    driver_.wakeup();
    // A callback that ends the process runs on the worker itself, which cannot wait for
    // itself; it ends with the process.
    if (::getpid() == owner_ && thread_.get_id() != std::this_thread::get_id() &&
        thread_.joinable())
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
