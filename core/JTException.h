#pragma once

#include "core/JTString.h"

namespace JTCore {

// The game core's exception; thrown as a boost::intrusive_ptr<JTException>.
class JTException : public JTObject {
  public:
    JTException() = default;
    explicit JTException(JTStringPtr message) : message_(std::move(message)) {}

    virtual JTStringPtr getMessage() const { return message_; }
    // "[WARN] Exception: <message>", or "(null)" for an exception without one.
    virtual void printStackTrace() const;

  private:
    JTStringPtr message_;
};

using JTExceptionPtr = boost::intrusive_ptr<JTException>;

}  // namespace JTCore
