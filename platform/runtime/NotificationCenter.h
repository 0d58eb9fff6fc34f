#pragma once

// Process-wide notifications: observers register for a name (or every name) and an object
// (or any object); posting calls the matching observers synchronously, or hands the call to
// the observer's delivery queue. An observer removed during a delivery - by itself or by
// another observer - is not called afterwards.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

struct Notification {
    std::string name;
    // Identity of the sender; compared, never dereferenced by the center.
    const void* object = nullptr;
    Value userInfo;
};

class NotificationCenter {
  public:
    using Callback = std::function<void(const Notification&)>;
    // Where an observer wants its calls: given the call, runs it somewhere (for example
    // NotificationCenter::mainLoopDelivery()). Empty means on the posting thread.
    using Delivery = std::function<void(std::function<void()>)>;

    class Token {
      public:
        Token() = default;
        explicit operator bool() const { return id_ != 0; }
        friend bool operator==(const Token&, const Token&) = default;

      private:
        friend class NotificationCenter;
        explicit Token(std::uint64_t id) : id_(id) {}
        std::uint64_t id_ = 0;
    };

    // Removes its observer when destroyed; movable.
    class Observation {
      public:
        Observation() = default;
        Observation(NotificationCenter& center, Token token) : center_(&center), token_(token) {}
        Observation(Observation&& o) noexcept;
        Observation& operator=(Observation&& o) noexcept;
        ~Observation() { reset(); }
        void reset();
        explicit operator bool() const { return static_cast<bool>(token_); }

      private:
        NotificationCenter* center_ = nullptr;
        Token token_;
    };

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();
    static Delivery mainLoopDelivery();

    // An empty name observes every name; a null object observes every sender.
    Token addObserver(std::string name, const void* object, Callback callback,
                      Delivery delivery = {});
    Observation observe(std::string name, const void* object, Callback callback,
                        Delivery delivery = {}) {
        return Observation(
            *this, addObserver(std::move(name), object, std::move(callback), std::move(delivery)));
    }
    // Safe from inside a callback; unknown tokens are ignored.
    void removeObserver(Token token);
    // Drops every observer (for tests).
    void removeAllObservers();

    void post(const Notification& notification);
    void post(std::string name, const void* object = nullptr, Value userInfo = {}) {
        post(Notification{std::move(name), object, std::move(userInfo)});
    }

    std::size_t observerCount() const;

  private:
    struct Observer {
        std::uint64_t id;
        std::string name;
        const void* object;
        std::shared_ptr<Callback> callback;
        Delivery delivery;
        std::shared_ptr<std::atomic<bool>> removed;
    };

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Observer>> observers_;
    std::uint64_t nextId_ = 1;
};

}  // namespace platform
