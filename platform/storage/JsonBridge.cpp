#include "platform/storage/JsonBridge.h"

#include <cmath>
#include <limits>

#include "platform/base/Unicode.h"
#include "platform/storage/Json.h"
#include "platform/storage/StorageError.h"

namespace platform {

namespace {

bool invalid(Error* error, const std::string& why) {
    return StorageError::fail(error, StorageError::kPropertyListWriteInvalid,
                              "Invalid value in JSON write (" + why + ").");
}

bool convert(const Value& v, nlohmann::json* out, int depth, Error* error) {
    if (depth > Json::kMaxDepth) return invalid(error, "nesting too deep");
    switch (v.type()) {
        case Value::Type::Null:
            *out = nullptr;
            return true;
        case Value::Type::Bool:
            *out = v.asBool();
            return true;
        case Value::Type::Integer:
            *out = v.asInteger();
            return true;
        case Value::Type::Real:
            if (!std::isfinite(v.asReal())) return invalid(error, "number is NaN or infinite");
            *out = v.asReal();
            return true;
        case Value::Type::String:
            *out = repairedUtf8(v.stringRef());
            return true;
        case Value::Type::Data:
            return invalid(error, "data has no JSON form");
        case Value::Type::Date:
            return invalid(error, "a date has no JSON form");
        case Value::Type::Array: {
            *out = nlohmann::json::array();
            for (const Value& item : v.asArray()) {
                nlohmann::json j;
                if (!convert(item, &j, depth + 1, error)) return false;
                out->push_back(std::move(j));
            }
            return true;
        }
        case Value::Type::Dictionary: {
            *out = nlohmann::json::object();
            for (const auto& [key, item] : v.asDictionary()) {
                nlohmann::json j;
                if (!convert(item, &j, depth + 1, error)) return false;
                (*out)[repairedUtf8(key)] = std::move(j);
            }
            return true;
        }
    }
    return invalid(error, "unknown value type");
}

Value back(const nlohmann::json& j, int depth) {
    if (depth > Json::kMaxDepth) return Value();
    switch (j.type()) {
        case nlohmann::json::value_t::boolean:
            return Value(j.get<bool>());
        case nlohmann::json::value_t::number_integer:
            return Value(j.get<std::int64_t>());
        case nlohmann::json::value_t::number_unsigned: {
            auto u = j.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return Value(static_cast<double>(u));
            return Value(static_cast<std::int64_t>(u));
        }
        case nlohmann::json::value_t::number_float:
            return Value(j.get<double>());
        case nlohmann::json::value_t::string:
            return Value(repairedUtf8(j.get_ref<const std::string&>()));
        case nlohmann::json::value_t::binary: {
            const auto& b = j.get_binary();
            return Value(Value::Bytes(b.begin(), b.end()));
        }
        case nlohmann::json::value_t::array: {
            Value::Array items;
            items.reserve(j.size());
            for (const auto& item : j) items.push_back(back(item, depth + 1));
            return Value(std::move(items));
        }
        case nlohmann::json::value_t::object: {
            Value::Dictionary dict;
            for (const auto& [key, item] : j.items())
                dict[repairedUtf8(key)] = back(item, depth + 1);
            return Value(std::move(dict));
        }
        default:
            return Value();
    }
}

}  // namespace

std::optional<nlohmann::json> JsonBridge::toJson(const Value& value, Error* error) {
    nlohmann::json out;
    if (!convert(value, &out, 1, error)) return std::nullopt;
    return out;
}

Value JsonBridge::fromJson(const nlohmann::json& json) {
    return back(json, 1);
}

}  // namespace platform
