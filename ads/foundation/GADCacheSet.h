#pragma once

// A set of at most a given number of reusable objects (web views kept for the next ad), given
// up whole when memory runs low.
//
// Thread-safe: the set lives on a serial queue ("com.zivivu.durez.cache-set"); adding is
// asynchronous, taking and emptying synchronous. The memory warning arrives on the main thread
// and empties the set there. The set holds its objects; the warning's observer holds the set
// weakly.
//
// The objects belong to the main thread (web views): an object the set lets go - one that
// found the set full, what emptying off the main thread or the set's own end drops - has its
// last reference posted to the main loop, never released on the set's queue.

#include <cstdint>
#include <memory>
#include <unordered_set>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"

namespace ads {

template <typename T>
class GADCacheSet : public std::enable_shared_from_this<GADCacheSet<T>> {
  public:
    static std::shared_ptr<GADCacheSet> create(std::uint64_t maxCapacity) {
        auto set = std::make_shared<GADCacheSet>(Private{}, maxCapacity);
        set->observeMemoryWarnings();
        return set;
    }
    virtual ~GADCacheSet() {
        // Adds still waiting on the queue run first, so none of them drops the last object
        // there afterwards.
        std::unordered_set<std::shared_ptr<T>> left;
        queue_->sync([&] { left.swap(*objects_); });
        releaseOnMain(std::move(left));
    }
    GADCacheSet(const GADCacheSet&) = delete;
    GADCacheSet& operator=(const GADCacheSet&) = delete;

    std::uint64_t maxCapacity() const { return maxCapacity_; }

    // Kept while the set holds fewer than its capacity; otherwise dropped. An empty pointer
    // is never kept.
    void addObject(std::shared_ptr<T> object) {
        if (!object) return;
        queue_->async(
            [objects = objects_, max = maxCapacity_, object = std::move(object)]() mutable {
                if (objects->size() < max) {
                    objects->insert(std::move(object));
                } else {
                    releaseOnMain(std::move(object));
                }
            });
    }
    // Takes one object out of the set; nullptr when it is empty.
    std::shared_ptr<T> anyObject() {
        std::shared_ptr<T> taken;
        queue_->sync([&] {
            if (objects_->empty()) return;
            taken = *objects_->begin();
            objects_->erase(objects_->begin());
        });
        return taken;
    }
    void removeAllObjects() {
        // Released outside the queue: an object's end may take time (a web view's, say).
        std::unordered_set<std::shared_ptr<T>> dropped;
        queue_->sync([&] { dropped.swap(*objects_); });
        releaseOnMain(std::move(dropped));
    }
    std::size_t count() const {
        std::size_t n = 0;
        queue_->sync([&] { n = objects_->size(); });
        return n;
    }

  protected:
    struct Private {};

  public:
    GADCacheSet(Private, std::uint64_t maxCapacity)
        : maxCapacity_(maxCapacity),
          queue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.cache-set")),
          objects_(std::make_shared<std::unordered_set<std::shared_ptr<T>>>()) {}

  protected:
    void observeMemoryWarnings() {
        memoryWarning_ = platform::NotificationCenter::defaultCenter().observe(
            platform::ui::kDidReceiveMemoryWarningNotification, nullptr,
            platform::weakCall(
                this->weak_from_this(),
                [](GADCacheSet& self, const platform::Notification&) { self.removeAllObjects(); }));
    }

  private:
    // Drops `held` here on the main thread, else on a later main-loop turn.
    template <typename Held>
    static void releaseOnMain(Held held) {
        if (platform::MainLoop::main().isMainThread()) return;
        // Whichever copy of the task goes last, the objects leave it on the main thread.
        platform::MainLoop::main().post([box = std::make_shared<Held>(std::move(held))] {
            Held taken{};
            std::swap(taken, *box);
        });
    }

    const std::uint64_t maxCapacity_;
    std::shared_ptr<platform::SerialQueue> queue_;
    // Touched only on queue_.
    std::shared_ptr<std::unordered_set<std::shared_ptr<T>>> objects_;
    platform::NotificationCenter::Observation memoryWarning_;
};

}  // namespace ads
