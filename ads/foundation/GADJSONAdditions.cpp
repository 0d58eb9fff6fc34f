#include "ads/foundation/GADJSONAdditions.h"

#include "ads/foundation/GADInternalError.h"
#include "platform/storage/Json.h"

namespace ads {

using platform::Json;
using platform::Value;

std::optional<std::string> gad_JSONString(const Value& object, bool pretty,
                                          platform::Error* error) {
    std::optional<std::string> text;
    if (object.isDictionary() || object.isArray()) {
        text = Json::write(object, pretty ? Json::kWritingPrettyPrinted : Json::kWritingCompact);
    }
    if (!text && error)
        *error = gad_errorWithCode(static_cast<std::int64_t>(GADInternalErrorCode::InternalError),
                                   "Invalid JSON object.");
    return text;
}

std::optional<Value> gad_decodedJSONObject(std::string_view text, platform::Error* error) {
    return Json::parse(text, Json::kReadingAllowFragments, error);
}

namespace {

// Containers nested deeper than the JSON writer accepts are carried as their description.
constexpr int kMaxSafeDepth = Json::kMaxDepth - 2;

bool makeSafe(Value& value, int depth) {
    if (value.isDictionary() || value.isArray()) {
        if (depth >= kMaxSafeDepth) {
            value = Value(value.description());
            return true;
        }
        bool changed = false;
        if (auto* dict = value.dictionaryPtr()) {
            for (auto& [key, element] : *dict) changed |= makeSafe(element, depth + 1);
        } else {
            for (auto& element : *value.arrayPtr()) changed |= makeSafe(element, depth + 1);
        }
        return changed;
    }
    if (Json::isValidJSONObject(Value::array({value}))) return false;
    value = Value(value.description());
    return true;
}

}  // namespace

bool gad_makeJSONSafe(Value& dictionary) {
    if (!dictionary.isDictionary()) return false;
    return makeSafe(dictionary, 0);
}

Value gad_JSONSafeDictionary(const Value& dictionary) {
    Value copy = dictionary;
    gad_makeJSONSafe(copy);
    return copy;
}

const Value* gad_objectForKey(const Value& dictionary, std::string_view key,
                              bool (Value::*isKind)() const) {
    const Value* found = dictionary.find(key);
    if (!found || !isKind || !(found->*isKind)()) return nullptr;
    return found;
}

}  // namespace ads
