#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/JTObject.h"

namespace JTCore {

// Immutable text of the game core, counted in UTF-16 units. The text buffer may be shared with
// the JTStringBuilder that made it (see JTStringBuilder::toString).
class JTString : public JTObject {
  public:
    explicit JTString(const char* utf8);
    explicit JTString(std::u16string text);
    // Shares the buffer instead of copying it.
    explicit JTString(std::shared_ptr<std::u16string> text);

    JTStringPtr toString() const override;
    bool equals(const JTObjectPtr& other) const override;
    int32_t hashCode() const override;

    int32_t length() const { return static_cast<int32_t>(text_->size()); }
    const std::u16string& text() const { return *text_; }
    std::string toUtf8() const;

    // The shared zero-length string.
    static const JTStringPtr& empty();

  private:
    std::shared_ptr<std::u16string> text_;
};

JTStringPtr NewJTString(const char* utf8);
JTStringPtr NewJTString(std::string_view utf8);
JTStringPtr NewJTString(std::u16string text);
JTStringPtr DynamicCastString(const JTObjectPtr& obj);

// The UTF-8 text of a maybe-empty string ("" when empty).
std::string ToUtf8(const JTStringPtr& s);

}  // namespace JTCore
