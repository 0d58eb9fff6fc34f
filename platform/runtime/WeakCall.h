#pragma once

// "Call this member later if the object still lives": wraps a callable so that it runs only
// while the target is alive, with the target passed as its first argument. Deferred work
// (posted tasks, timers, completions) captures the target weakly through this instead of
// spelling out the lock-and-check each time, so a callback can never outlive its object.
//
//     MainLoop::main().post(weakCall(weak_from_this(), &Foo::refresh));
//     timer = Timer::schedule(1, false, 0, weakCall(weak_from_this(), [](Foo& self) { ... }));
//
// The target is locked for the duration of the call, so it is not destroyed inside it.

#include <functional>
#include <memory>
#include <utility>

namespace platform {

template <class T, class F>
auto weakCall(std::weak_ptr<T> target, F fn) {
    return [target = std::move(target), fn = std::move(fn)](auto&&... args) {
        if (auto self = target.lock()) {
            std::invoke(fn, *self, std::forward<decltype(args)>(args)...);
        }
    };
}

}  // namespace platform
