#include "core/JTString.h"

#include "core/Utf16.h"

namespace JTCore {

JTString::JTString(const char* utf8)
    : text_(std::make_shared<std::u16string>(Utf8ToUtf16(utf8 ? utf8 : ""))) {}

JTString::JTString(std::u16string text)
    : text_(std::make_shared<std::u16string>(std::move(text))) {}

JTString::JTString(std::shared_ptr<std::u16string> text)
    : text_(text ? std::move(text) : std::make_shared<std::u16string>()) {}

JTStringPtr JTString::toString() const {
    return JTStringPtr(const_cast<JTString*>(this));
}

bool JTString::equals(const JTObjectPtr& other) const {
    auto s = dynamic_cast<const JTString*>(other.get());
    return s != nullptr && s->text() == text();
}

int32_t JTString::hashCode() const {
    // FNV-1a over the UTF-16 units: equal texts hash equally, which is all callers rely on.
    uint32_t h = 2166136261u;
    for (char16_t c : *text_) {
        h = (h ^ static_cast<uint32_t>(c)) * 16777619u;
    }
    return static_cast<int32_t>(h);
}

std::string JTString::toUtf8() const {
    return Utf16ToUtf8(*text_);
}

const JTStringPtr& JTString::empty() {
    static const JTStringPtr s = JTNew<JTString>(std::u16string());
    return s;
}

JTStringPtr NewJTString(const char* utf8) {
    return JTNew<JTString>(utf8);
}

JTStringPtr NewJTString(std::string_view utf8) {
    return JTNew<JTString>(Utf8ToUtf16(utf8));
}

JTStringPtr NewJTString(std::u16string text) {
    return JTNew<JTString>(std::move(text));
}

JTStringPtr DynamicCastString(const JTObjectPtr& obj) {
    return JTStringPtr(dynamic_cast<JTString*>(obj.get()));
}

std::string ToUtf8(const JTStringPtr& s) {
    return s ? s->toUtf8() : std::string();
}

}  // namespace JTCore
