#include "core/JTStringBuilder.h"

#include <cassert>
#include <stdexcept>
#include <string>

#include "core/Utf16.h"

namespace JTCore {

JTStringBuilder::JTStringBuilder() : text_(std::make_shared<std::u16string>()) {}

JTStringBuilder::JTStringBuilder(const char* utf8)
    : text_(std::make_shared<std::u16string>(Utf8ToUtf16(utf8 ? utf8 : ""))) {}

JTStringBuilderPtr JTStringBuilder::append(const JTStringPtr& s) {
    assert(s && "px != 0");
    if (s.get() != nullptr) text_->append(s->text());
    return self();
}

JTStringBuilderPtr JTStringBuilder::append(int value) {
    const std::string digits = std::to_string(value);
    text_->append(digits.begin(), digits.end());
    return self();
}

JTStringBuilderPtr JTStringBuilder::append(const char* utf8) {
    if (utf8 != nullptr) text_->append(Utf8ToUtf16(utf8));
    return self();
}

JTStringBuilderPtr JTStringBuilder::insert(int32_t index, const JTStringPtr& s) {
    if (index < 0 || index > length()) throw std::out_of_range("out of range");
    if (s) text_->insert(static_cast<size_t>(index), s->text());
    return self();
}

void JTStringBuilder::setLength(int32_t n) {
    if (n < 0) n = 0;
    text_->resize(static_cast<size_t>(n), u'\0');
}

JTStringPtr JTStringBuilder::toString() const {
    return JTNew<JTString>(text_);
}

void AppendInt(const JTStringBuilderPtr& builder, int value) {
    if (builder) builder->append(value);
}

}  // namespace JTCore
