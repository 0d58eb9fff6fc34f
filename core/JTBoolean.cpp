#include "core/JTBoolean.h"

namespace JTCore {

namespace {
const JTStringPtr& trueText() {
    static const JTStringPtr s = NewJTString("true");
    return s;
}
const JTStringPtr& falseText() {
    static const JTStringPtr s = NewJTString("false");
    return s;
}
}  // namespace

JTStringPtr JTBoolean::toString() const {
    return value_ ? trueText() : falseText();
}

bool JTBoolean::equals(const JTObjectPtr& other) const {
    auto b = dynamic_cast<const JTBoolean*>(other.get());
    return b != nullptr && b->value_ == value_;
}

const JTBooleanPtr& JTBoolean::sharedTrue() {
    static const JTBooleanPtr b = JTNew<JTBoolean>(true);
    return b;
}

const JTBooleanPtr& JTBoolean::sharedFalse() {
    static const JTBooleanPtr b = JTNew<JTBoolean>(false);
    return b;
}

JTBooleanPtr DynamicCastBoolean(const JTObjectPtr& obj) {
    return JTBooleanPtr(dynamic_cast<JTBoolean*>(obj.get()));
}

}  // namespace JTCore
