#pragma once

// Header fields of a request or response. Names keep the spelling they were given but are
// looked up without regard to case, as HTTP wants. A field that arrives more than once is
// folded into one value joined by ", ", which is how callers have always seen them.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

class HttpHeaders {
  public:
    using Field = std::pair<std::string, std::string>;

    HttpHeaders() = default;
    HttpHeaders(std::initializer_list<Field> fields);

    // Replaces any field of that name (keeping its position); an empty name is ignored.
    void set(std::string_view name, std::string value);
    // Appends to an existing field with ", " or adds a new one.
    void add(std::string_view name, std::string_view value);
    bool remove(std::string_view name);
    void clear() { fields_.clear(); }

    std::optional<std::string> get(std::string_view name) const;
    // The value, or `fallback` when the field is absent.
    std::string value(std::string_view name, std::string_view fallback = {}) const;
    bool contains(std::string_view name) const { return find(name) != nullptr; }

    bool empty() const { return fields_.empty(); }
    std::size_t size() const { return fields_.size(); }
    const std::vector<Field>& fields() const { return fields_; }

    // A dictionary of strings, for logs ("headers: %@") and callers that keep header
    // dictionaries.
    Value toValue() const;
    // String entries of a dictionary become fields; anything else is skipped.
    static HttpHeaders fromValue(const Value& dictionary);

    static bool namesEqual(std::string_view a, std::string_view b);

    friend bool operator==(const HttpHeaders&, const HttpHeaders&) = default;

  private:
    const Field* find(std::string_view name) const;
    Field* find(std::string_view name);

    std::vector<Field> fields_;
};

}  // namespace platform
