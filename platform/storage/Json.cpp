#include "platform/storage/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/base/StringEscaping.h"
#include "platform/base/Unicode.h"
#include "platform/storage/FileBytes.h"
#include "platform/storage/StorageError.h"

namespace platform {

namespace {

// Builds the Value straight from parser events: no intermediate document, and the depth is
// checked as the text opens containers (the parser itself keeps no call stack per level).
class ValueBuilder : public nlohmann::json_sax<nlohmann::json> {
  public:
    Value root;
    std::string error;

    bool null() override { return put(Value()); }
    bool boolean(bool v) override { return put(Value(v)); }
    bool number_integer(number_integer_t v) override { return put(Value(std::int64_t{v})); }
    bool number_unsigned(number_unsigned_t v) override {
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return put(Value(static_cast<double>(v)));
        return put(Value(static_cast<std::int64_t>(v)));
    }
    bool number_float(number_float_t v, const string_t& text) override {
        // 1e400 reads as infinity, which no JSON writer can give back.
        if (!std::isfinite(v)) {
            error = "number out of range: " + text;
            return false;
        }
        return put(Value(v));
    }
    bool string(string_t& v) override { return put(Value(std::move(v))); }
    bool binary(binary_t&) override { return put(Value()); }
    bool start_object(std::size_t) override { return open(Value::dictionary()); }
    bool key(string_t& k) override {
        key_ = std::move(k);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Value::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& ex) override {
        error = ex.what();
        // The library prefixes its own error class name; the reason is what helps.
        if (auto p = error.find("] "); p != std::string::npos) error = error.substr(p + 2);
        return false;
    }

  private:
    // Where the next value goes: into the open container, or the root.
    Value* place(Value v) {
        if (stack_.empty()) {
            root = std::move(v);
            return &root;
        }
        Value* top = stack_.back();
        if (auto* arr = top->arrayPtr()) {
            arr->push_back(std::move(v));
            return &arr->back();
        }
        auto* dict = top->dictionaryPtr();
        Value& slot = (*dict)[key_];
        slot = std::move(v);
        return &slot;
    }
    bool put(Value v) {
        place(std::move(v));
        return true;
    }
    bool open(Value container) {
        if (stack_.size() >= static_cast<std::size_t>(Json::kMaxDepth)) {
            error = "nesting too deep";
            return false;
        }
        stack_.push_back(place(std::move(container)));
        return true;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }

    std::vector<Value*> stack_;
    std::string key_;
};

class Writer {
  public:
    Writer(bool pretty, Error* error) : pretty_(pretty), error_(error) {}
    std::string out;

    bool value(const Value& v, int depth) {
        if (depth > Json::kMaxDepth) return invalid("nesting too deep");
        switch (v.type()) {
            case Value::Type::Null:
                out += "null";
                return true;
            case Value::Type::Bool:
                out += v.asBool() ? "true" : "false";
                return true;
            case Value::Type::Integer:
                out += std::to_string(v.asInteger());
                return true;
            case Value::Type::Real:
                return real(v.asReal());
            case Value::Type::String:
                string(v.stringRef());
                return true;
            case Value::Type::Data:
                return invalid("data has no JSON form");
            case Value::Type::Date:
                return invalid("a date has no JSON form");
            case Value::Type::Array: {
                const auto& items = v.asArray();
                out += '[';
                bool first = true;
                for (const Value& item : items) {
                    if (!first) out += ',';
                    first = false;
                    newline(depth);
                    if (!value(item, depth + 1)) return false;
                }
                if (!items.empty()) newline(depth - 1);
                out += ']';
                return true;
            }
            case Value::Type::Dictionary: {
                const auto& dict = v.asDictionary();
                out += '{';
                bool first = true;
                for (const auto& [key, item] : dict) {
                    if (!first) out += ',';
                    first = false;
                    newline(depth);
                    string(key);
                    out += pretty_ ? " : " : ":";
                    if (!value(item, depth + 1)) return false;
                }
                if (!dict.empty()) newline(depth - 1);
                out += '}';
                return true;
            }
        }
        return invalid("unknown value type");
    }

  private:
    bool invalid(const std::string& why) {
        return StorageError::fail(error_, StorageError::kPropertyListWriteInvalid,
                                  "Invalid value in JSON write (" + why + ").");
    }

    void newline(int depth) {
        if (!pretty_) return;
        out += '\n';
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
    }

    bool real(double d) {
        if (!std::isfinite(d)) return invalid("number is NaN or infinite");
        char buf[32];
        auto res = std::to_chars(buf, buf + sizeof buf, d);
        std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
        out += s;
        // Keep reals recognisable as reals when read back.
        if (s.find_first_of(".e") == std::string_view::npos) out += ".0";
        return true;
    }

    void string(const std::string& raw) {
        out += '"';
        appendEscaped(out, repairedUtf8(raw), StringEscapeStyle::json());
        out += '"';
    }

    bool pretty_;
    Error* error_;
};

}  // namespace

std::optional<Value> Json::parse(std::string_view text, unsigned options, Error* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::string repaired;
    if (!isValidUtf8(text)) {
        repaired = repairedUtf8(text);
        text = repaired;
    }
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return StorageError::corrupt(error, "no value");
    ValueBuilder builder;
    bool ok = nlohmann::json::sax_parse(text.begin(), text.end(), &builder,
                                        nlohmann::json::input_format_t::json, true);
    if (!ok)
        return StorageError::corrupt(error,
                                     builder.error.empty() ? "malformed JSON" : builder.error);
    if (!(options & kReadingAllowFragments) && !builder.root.isArray() &&
        !builder.root.isDictionary())
        return StorageError::corrupt(error, "the top level is not an array or an object");
    return std::move(builder.root);
}

std::optional<std::string> Json::write(const Value& value, unsigned options, Error* error) {
    if (!(options & kWritingFragmentsAllowed) && !value.isArray() && !value.isDictionary()) {
        StorageError::fail(error, StorageError::kPropertyListWriteInvalid,
                           "Invalid top-level type in JSON write.");
        return std::nullopt;
    }
    Writer writer((options & kWritingPrettyPrinted) != 0, error);
    if (!writer.value(value, 1)) return std::nullopt;
    return std::move(writer.out);
}

bool Json::isValidJSONObject(const Value& value) {
    return write(value, kWritingCompact).has_value();
}

std::optional<Value> Json::readFile(const std::filesystem::path& path, unsigned options,
                                    Error* error) {
    auto bytes = FileBytes::read(path, error);
    if (!bytes) return std::nullopt;
    return parse(*bytes, options, error);
}

bool Json::writeFile(const std::filesystem::path& path, const Value& value, unsigned options,
                     Error* error) {
    auto text = write(value, options, error);
    return text && FileBytes::write(path, *text, error);
}

}  // namespace platform
