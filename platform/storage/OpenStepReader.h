#pragma once

// Reader for old-style (OpenStep) text property lists and strings files:
//   { key = value; list = (a, "b c", <0a0b>); }
// Every scalar is a string: the text format has no other kind. A top level of bare `key = value;`
// pairs (a strings file) reads as a dictionary. Input is UTF-8, or UTF-16 with a byte-order
// mark.

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Value.h"

namespace platform {

class OpenStepReader {
  public:
    static constexpr int kMaxDepth = 512;

    // The value, or nullopt with a message naming the line of the fault.
    static std::optional<Value> parse(std::string_view text, std::string* error);

  private:
    explicit OpenStepReader(std::string_view text) : s_(text) {}

    std::optional<Value> parseDocument();
    std::optional<Value> parseValue(int depth);
    std::optional<Value> parseDictionaryBody(int depth, bool braced);
    std::optional<Value> parseArray(int depth);
    std::optional<Value> parseData();
    std::optional<std::string> parseString();
    std::optional<std::string> parseQuoted();
    std::string parseUnquoted();

    // Skips blanks and comments; false on an unterminated comment.
    bool skipSpace();
    bool atEnd() const { return pos_ >= s_.size(); }
    char peek() const { return atEnd() ? '\0' : s_[pos_]; }
    int line() const;
    std::nullopt_t fail(const std::string& message);

    std::string_view s_;
    std::size_t pos_ = 0;
    std::string error_;
};

}  // namespace platform
