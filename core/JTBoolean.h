#pragma once

#include "core/JTString.h"

namespace JTCore {

class JTBoolean;
using JTBooleanPtr = boost::intrusive_ptr<JTBoolean>;

// Boxed boolean; the two shared instances serve almost every use.
class JTBoolean : public JTObject {
  public:
    explicit JTBoolean(bool value) : value_(value) {}

    JTStringPtr toString() const override;
    bool equals(const JTObjectPtr& other) const override;
    int32_t hashCode() const override { return value_ ? 1 : 0; }

    bool booleanValue() const { return value_; }

    static const JTBooleanPtr& sharedTrue();
    static const JTBooleanPtr& sharedFalse();
    static const JTBooleanPtr& valueOf(bool value) { return value ? sharedTrue() : sharedFalse(); }

  private:
    bool value_;
};

JTBooleanPtr DynamicCastBoolean(const JTObjectPtr& obj);

}  // namespace JTCore
