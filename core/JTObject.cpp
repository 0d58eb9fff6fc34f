#include "core/JTObject.h"

#include <cstdio>
#include <typeinfo>

#include "core/JTString.h"

namespace JTCore {

namespace {
uint32_t lowAddressBits(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}
}  // namespace

JTStringPtr JTObject::toString() const {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%s@%x", typeid(*this).name(), lowAddressBits(this));
    return NewJTString(buf);
}

bool JTObject::equals(const JTObjectPtr& other) const {
    return other.get() == this;
}

int32_t JTObject::hashCode() const {
    return static_cast<int32_t>(lowAddressBits(this));
}

uint32_t JTObjectLiveCount() {
    return 0xFFFFFFFFu;
}

void JTReportLeaks() {}

}  // namespace JTCore
