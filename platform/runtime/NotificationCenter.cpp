#include "platform/runtime/NotificationCenter.h"

#include <algorithm>
#include <atomic>

#include "platform/runtime/MainLoop.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: objects with static lifetime may still remove observers at exit.
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

NotificationCenter::Delivery NotificationCenter::mainLoopDelivery() {
    return [](std::function<void()> call) { MainLoop::main().post(std::move(call)); };
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, const void* object,
                                                          Callback callback, Delivery delivery) {
    if (!callback) return Token();
    auto observer = std::make_shared<Observer>();
    observer->name = std::move(name);
    observer->object = object;
    observer->callback = std::make_shared<Callback>(std::move(callback));
    observer->delivery = std::move(delivery);
    observer->removed = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(mutex_);
    observer->id = nextId_++;
    observers_.push_back(observer);
    return Token(observer->id);
}

void NotificationCenter::removeObserver(Token token) {
    if (!token) return;
    std::shared_ptr<Observer> removed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(observers_.begin(), observers_.end(),
                               [&](const auto& o) { return o->id == token.id_; });
        if (it == observers_.end()) return;
        removed = std::move(*it);
        observers_.erase(it);
    }
    removed->removed->store(true);
}

void NotificationCenter::removeAllObservers() {
    std::vector<std::shared_ptr<Observer>> removed;
    {
        std::lock_guard lock(mutex_);
        removed.swap(observers_);
    }
    for (auto& o : removed) o->removed->store(true);
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observers_) {
            if (!o->name.empty() && o->name != notification.name) continue;
            if (o->object && o->object != notification.object) continue;
            matching.push_back(o);
        }
    }
    // Called without the lock: observers may post, add and remove.
    for (const auto& o : matching) {
        if (o->removed->load()) continue;
        if (o->delivery) {
            o->delivery([callback = o->callback, removed = o->removed, notification] {
                if (!removed->load()) (*callback)(notification);
            });
        } else {
            (*o->callback)(notification);
        }
    }
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}

NotificationCenter::Observation::Observation(Observation&& o) noexcept
    : center_(o.center_), token_(o.token_) {
    o.center_ = nullptr;
    o.token_ = Token();
}

NotificationCenter::Observation& NotificationCenter::Observation::operator=(
    Observation&& o) noexcept {
    if (this != &o) {
        reset();
        center_ = o.center_;
        token_ = o.token_;
        o.center_ = nullptr;
        o.token_ = Token();
    }
    return *this;
}

void NotificationCenter::Observation::reset() {
    if (center_ && token_) center_->removeObserver(token_);
    center_ = nullptr;
    token_ = Token();
}

}  // namespace platform
