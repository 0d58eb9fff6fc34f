#include "platform/net/HttpHeaders.h"

namespace platform {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

}  // namespace

HttpHeaders::HttpHeaders(std::initializer_list<Field> fields) {
    for (const auto& [name, value] : fields) set(name, value);
}

bool HttpHeaders::namesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

const HttpHeaders::Field* HttpHeaders::find(std::string_view name) const {
    for (const auto& field : fields_) {
        if (namesEqual(field.first, name)) return &field;
    }
    return nullptr;
}

HttpHeaders::Field* HttpHeaders::find(std::string_view name) {
    for (auto& field : fields_) {
        if (namesEqual(field.first, name)) return &field;
    }
    return nullptr;
}

void HttpHeaders::set(std::string_view name, std::string value) {
    if (name.empty()) return;
    if (Field* field = find(name)) {
        field->second = std::move(value);
        return;
    }
    fields_.emplace_back(std::string(name), std::move(value));
}

void HttpHeaders::add(std::string_view name, std::string_view value) {
    if (name.empty()) return;
    if (Field* field = find(name)) {
        field->second.append(", ").append(value);
        return;
    }
    fields_.emplace_back(std::string(name), std::string(value));
}

bool HttpHeaders::remove(std::string_view name) {
    bool removed = false;
    for (auto it = fields_.begin(); it != fields_.end();) {
        if (namesEqual(it->first, name)) {
            it = fields_.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

std::optional<std::string> HttpHeaders::get(std::string_view name) const {
    if (const Field* field = find(name)) return field->second;
    return std::nullopt;
}

std::string HttpHeaders::value(std::string_view name, std::string_view fallback) const {
    if (const Field* field = find(name)) return field->second;
    return std::string(fallback);
}

Value HttpHeaders::toValue() const {
    Value out = Value::dictionary();
    for (const auto& [name, value] : fields_) out.set(name, value);
    return out;
}

HttpHeaders HttpHeaders::fromValue(const Value& dictionary) {
    HttpHeaders headers;
    for (const auto& [name, value] : dictionary.asDictionary()) {
        if (value.isString()) headers.set(name, value.asString());
    }
    return headers;
}

}  // namespace platform
