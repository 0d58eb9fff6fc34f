#include "ads/foundation/GADQueue.h"

#include <future>

#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

GADQueue GADQueue::serial(std::shared_ptr<platform::SerialQueue> queue) {
    GADQueue q;
    if (queue) {
        q.kind_ = Kind::Serial;
        q.serial_ = std::move(queue);
    }
    return q;
}

GADQueue GADQueue::main() {
    GADQueue q;
    q.kind_ = Kind::Main;
    return q;
}

GADQueue GADQueue::global() {
    GADQueue q;
    q.kind_ = Kind::Global;
    return q;
}

std::string GADQueue::label() const {
    switch (kind_) {
        case Kind::Serial:
            return serial_->label();
        case Kind::Main:
            return "main";
        case Kind::Global:
            return "global";
        case Kind::None:
            break;
    }
    return {};
}

bool GADQueue::async(Task task) const {
    if (!task) return false;
    switch (kind_) {
        case Kind::Serial:
            serial_->async(std::move(task));
            return true;
        case Kind::Main:
            platform::MainLoop::main().post(std::move(task));
            return true;
        case Kind::Global:
            platform::GlobalQueue::async(std::move(task));
            return true;
        case Kind::None:
            break;
    }
    return false;
}

bool GADQueue::sync(Task task) const {
    if (!task) task = [] {};
    switch (kind_) {
        case Kind::Serial:
            return serial_->sync(std::move(task));
        case Kind::Main:
            return platform::MainLoop::main().syncOnMain(std::move(task));
        case Kind::Global: {
            auto done = std::make_shared<std::promise<void>>();
            auto finished = done->get_future();
            platform::GlobalQueue::async([done, task = std::move(task)] {
                try {
                    task();
                    done->set_value();
                } catch (...) {
                    done->set_exception(std::current_exception());
                }
            });
            platform::GlobalQueue::BlockingScope blocking;
            finished.get();
            return true;
        }
        case Kind::None:
            break;
    }
    return false;
}

}  // namespace ads
