#include "platform/base/Value.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "platform/base/NumberText.h"

namespace platform {

namespace {

const std::string kEmptyString;
const Value::Bytes kEmptyBytes;
const Value::Array kEmptyArray;
const Value::Dictionary kEmptyDictionary;
const Value kNull;

// Strings made only of these characters are printed bare inside containers (logs and the ads SDK's
// reports expect them so); anything else is quoted so the output reads back unambiguously.
bool needsQuotes(const std::string& s) {
    if (s.empty()) return true;
    for (unsigned char c : s) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c >= 0x80;
        if (!plain) return true;
    }
    return false;
}

void appendQuoted(std::string& out, const std::string& s) {
    out += '"';
    for (char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    out += '"';
}

void appendString(std::string& out, const std::string& s, bool nested) {
    if (nested && needsQuotes(s)) {
        appendQuoted(out, s);
    } else {
        out += s;
    }
}

void appendReal(std::string& out, double d) {
    if (std::isnan(d)) {
        out += "nan";
        return;
    }
    if (std::isinf(d)) {
        out += d > 0 ? "inf" : "-inf";
        return;
    }
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    out.append(buf, res.ptr);
}

void appendDate(std::string& out, Date date) {
    double secs = std::floor(date.secondsSince1970);
    if (!std::isfinite(secs) || std::fabs(secs) > 1e15) {
        out += "<invalid date>";
        return;
    }
    std::time_t t = static_cast<std::time_t>(secs);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S +0000", &tm);
    out += buf;
}

void indentBy(std::string& out, int indent) {
    out.append(static_cast<std::size_t>(indent) * 4, ' ');
}

}  // namespace

Value Value::data(const void* bytes, std::size_t size) {
    auto* p = static_cast<const std::uint8_t*>(bytes);
    return Value(Bytes(p, p + (p ? size : 0)));
}

const char* Value::typeName(Type t) {
    switch (t) {
        case Type::Null:
            return "null";
        case Type::Bool:
            return "bool";
        case Type::Integer:
            return "integer";
        case Type::Real:
            return "real";
        case Type::String:
            return "string";
        case Type::Data:
            return "data";
        case Type::Date:
            return "date";
        case Type::Array:
            return "array";
        case Type::Dictionary:
            return "dictionary";
    }
    return "unknown";
}

bool Value::asBool(bool def) const {
    switch (type()) {
        case Type::Bool:
            return std::get<bool>(v_);
        case Type::Integer:
            return std::get<std::int64_t>(v_) != 0;
        case Type::Real:
            return std::get<double>(v_) != 0;
        default:
            return def;
    }
}

std::int64_t Value::asInteger(std::int64_t def) const {
    switch (type()) {
        case Type::Bool:
            return std::get<bool>(v_) ? 1 : 0;
        case Type::Integer:
            return std::get<std::int64_t>(v_);
        case Type::Real: {
            // Out-of-range reals saturate instead of invoking undefined behaviour.
            double d = std::get<double>(v_);
            if (std::isnan(d)) return 0;
            if (d >= 9223372036854775807.0) return INT64_MAX;
            if (d <= -9223372036854775808.0) return INT64_MIN;
            return static_cast<std::int64_t>(d);
        }
        default:
            return def;
    }
}

double Value::asReal(double def) const {
    switch (type()) {
        case Type::Bool:
            return std::get<bool>(v_) ? 1.0 : 0.0;
        case Type::Integer:
            return static_cast<double>(std::get<std::int64_t>(v_));
        case Type::Real:
            return std::get<double>(v_);
        default:
            return def;
    }
}

std::string Value::asString(std::string_view def) const {
    if (auto* s = std::get_if<std::string>(&v_)) return *s;
    return std::string(def);
}

Date Value::asDate(Date def) const {
    if (auto* d = std::get_if<Date>(&v_)) return *d;
    return def;
}

std::int32_t Value::intValue() const {
    if (isString()) return platform::intValue(stringRef());
    std::int64_t v = asInteger();
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::int64_t Value::integerValue() const {
    if (isString()) return platform::integerValue(stringRef());
    return asInteger();
}

double Value::doubleValue() const {
    if (isString()) return platform::doubleValue(stringRef());
    return asReal();
}

bool Value::boolValue() const {
    if (isString()) return platform::boolValue(stringRef());
    return asBool();
}

std::string Value::stringValue() const {
    if (isString()) return stringRef();
    if (!isNumber()) return {};
    std::string out;
    describe(out, 0, false);
    return out;
}

const std::string& Value::stringRef() const {
    if (auto* s = std::get_if<std::string>(&v_)) return *s;
    return kEmptyString;
}

const Value::Bytes& Value::asData() const {
    if (auto* d = std::get_if<Bytes>(&v_)) return *d;
    return kEmptyBytes;
}

const Value::Array& Value::asArray() const {
    if (auto* a = std::get_if<Array>(&v_)) return *a;
    return kEmptyArray;
}

const Value::Dictionary& Value::asDictionary() const {
    if (auto* d = std::get_if<Dictionary>(&v_)) return *d;
    return kEmptyDictionary;
}

std::size_t Value::size() const {
    switch (type()) {
        case Type::String:
            return std::get<std::string>(v_).size();
        case Type::Data:
            return std::get<Bytes>(v_).size();
        case Type::Array:
            return std::get<Array>(v_).size();
        case Type::Dictionary:
            return std::get<Dictionary>(v_).size();
        default:
            return 0;
    }
}

const Value* Value::find(std::string_view key) const {
    auto* d = std::get_if<Dictionary>(&v_);
    if (!d) return nullptr;
    auto it = d->find(std::string(key));
    return it == d->end() ? nullptr : &it->second;
}

const Value& Value::get(std::string_view key) const {
    const Value* v = find(key);
    return v ? *v : kNull;
}

const Value& Value::at(std::size_t index) const {
    auto* a = std::get_if<Array>(&v_);
    if (!a || index >= a->size()) return kNull;
    return (*a)[index];
}

bool Value::set(std::string key, Value value) {
    if (isNull()) v_ = Dictionary{};
    auto* d = std::get_if<Dictionary>(&v_);
    if (!d) return false;
    (*d)[std::move(key)] = std::move(value);
    return true;
}

bool Value::erase(std::string_view key) {
    auto* d = std::get_if<Dictionary>(&v_);
    if (!d) return false;
    return d->erase(std::string(key)) > 0;
}

bool Value::append(Value value) {
    if (isNull()) v_ = Array{};
    auto* a = std::get_if<Array>(&v_);
    if (!a) return false;
    a->push_back(std::move(value));
    return true;
}

std::string Value::description() const {
    std::string out;
    describe(out, 0, false);
    return out;
}

void Value::describe(std::string& out, int indent, bool nested) const {
    switch (type()) {
        case Type::Null:
            out += "<null>";
            break;
        case Type::Bool:
            out += std::get<bool>(v_) ? "1" : "0";
            break;
        case Type::Integer:
            out += std::to_string(std::get<std::int64_t>(v_));
            break;
        case Type::Real:
            appendReal(out, std::get<double>(v_));
            break;
        case Type::String:
            appendString(out, std::get<std::string>(v_), nested);
            break;
        case Type::Date:
            appendDate(out, std::get<Date>(v_));
            break;
        case Type::Data: {
            static const char* hex = "0123456789abcdef";
            const Bytes& b = std::get<Bytes>(v_);
            out += '<';
            for (std::size_t i = 0; i < b.size(); ++i) {
                if (i > 0 && i % 4 == 0) out += ' ';
                out += hex[b[i] >> 4];
                out += hex[b[i] & 15];
            }
            out += '>';
            break;
        }
        case Type::Array: {
            const Array& a = std::get<Array>(v_);
            out += "(\n";
            for (std::size_t i = 0; i < a.size(); ++i) {
                indentBy(out, indent + 1);
                a[i].describe(out, indent + 1, true);
                if (i + 1 < a.size()) out += ',';
                out += '\n';
            }
            indentBy(out, indent);
            out += ')';
            break;
        }
        case Type::Dictionary: {
            const Dictionary& d = std::get<Dictionary>(v_);
            out += "{\n";
            for (const auto& [k, v] : d) {
                indentBy(out, indent + 1);
                appendString(out, k, true);
                out += " = ";
                v.describe(out, indent + 1, true);
                out += ";\n";
            }
            indentBy(out, indent);
            out += '}';
            break;
        }
    }
}

}  // namespace platform
