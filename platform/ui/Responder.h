#pragma once

// Something that can take touches: views and view controllers. Unhandled touches travel up the
// chain (view, its controller, the superview, ...), so a controller sees the touches its view did
// not take.

#include <memory>
#include <vector>

namespace platform::ui {

class Touch;
class Event;
using TouchSet = std::vector<std::shared_ptr<Touch>>;

class Responder {
  public:
    virtual ~Responder() = default;
    virtual void touchesBegan(const TouchSet&, const Event&) {}
    virtual void touchesMoved(const TouchSet&, const Event&) {}
    virtual void touchesEnded(const TouchSet&, const Event&) {}
    virtual void touchesCancelled(const TouchSet&, const Event&) {}
};

}  // namespace platform::ui
