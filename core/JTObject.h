#pragma once

#include <cstdint>

#include "core/JTWeakPtr.h"

namespace JTCore {

class JTString;
class JTObject;
using JTObjectPtr = boost::intrusive_ptr<JTObject>;
using JTStringPtr = boost::intrusive_ptr<JTString>;

// Base of every game-core object: made on the heap with JTNew, owned through intrusive_ptr.
class JTObject : public JTWeakPtrTarget {
  public:
    JTObject() = default;
    ~JTObject() override = default;

    // "<type name>@<address>", the type name being the compiler's type-information name.
    virtual JTStringPtr toString() const;
    // Identity unless a subclass knows better.
    virtual bool equals(const JTObjectPtr& other) const;
    virtual int32_t hashCode() const;
};

// Object counting is not built in; the app core's leak hooks answer "unknown".
uint32_t JTObjectLiveCount();
void JTReportLeaks();

}  // namespace JTCore
