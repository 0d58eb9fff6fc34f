#pragma once

#include <memory>
#include <string>

#include "core/JTString.h"

namespace JTCore {

class JTStringBuilder;
using JTStringBuilderPtr = boost::intrusive_ptr<JTStringBuilder>;

// Mutable text. toString hands out a string over the builder's own buffer, so the string
// follows later changes; labels and the score text rely on that to avoid copies.
class JTStringBuilder : public JTObject {
  public:
    JTStringBuilder();
    explicit JTStringBuilder(const char* utf8);

    // Each append returns the builder so calls chain.
    JTStringBuilderPtr append(const JTStringPtr& s);
    JTStringBuilderPtr append(int value);
    JTStringBuilderPtr append(const char* utf8);
    // Index in UTF-16 units, 0..length; beyond that throws std::out_of_range.
    JTStringBuilderPtr insert(int32_t index, const JTStringPtr& s);

    int32_t length() const { return static_cast<int32_t>(text_->size()); }
    // Shorter: cut at n. Longer: padded with U+0000.
    void setLength(int32_t n);

    JTStringPtr toString() const override;

    const std::u16string& text() const { return *text_; }

  private:
    JTStringBuilderPtr self() { return JTStringBuilderPtr(this); }

    std::shared_ptr<std::u16string> text_;
};

// Appends to a builder held by reference and drops the returned reference.
void AppendInt(const JTStringBuilderPtr& builder, int value);

}  // namespace JTCore
