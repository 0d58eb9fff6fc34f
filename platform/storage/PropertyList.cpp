#include "platform/storage/PropertyList.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/base/Unicode.h"
#include "platform/storage/BinaryPlistGuard.h"
#include "platform/storage/FileBytes.h"
#include "platform/storage/OpenStepReader.h"
#include "platform/storage/StorageError.h"

namespace platform {

namespace {

struct PlistFree {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

struct CFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using CPtr = std::unique_ptr<T, CFree>;

bool startsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

std::string_view skipBomAndSpace(std::string_view s) {
    if (startsWith(s, "\xEF\xBB\xBF")) s.remove_prefix(3);
    while (!s.empty() && (s[0] == ' ' || s[0] == '\t' || s[0] == '\n' || s[0] == '\r'))
        s.remove_prefix(1);
    return s;
}

// The deepest <array>/<dict> nesting of an XML list. Opening tags are counted everywhere,
// comments and CDATA included, closing tags only outside them, so the answer is never below
// what the parser will meet. One pass, no look-ahead beyond a tag's own blanks.
std::size_t xmlDepth(std::string_view s) {
    std::size_t depth = 0, deepest = 0;
    auto isNameEnd = [](char c) {
        return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
    };
    auto opens = [&](std::string_view at) {
        for (std::string_view name : {std::string_view("array"), std::string_view("dict")}) {
            if (at.size() <= name.size() + 1 || at.substr(1, name.size()) != name ||
                !isNameEnd(at[name.size() + 1]))
                continue;
            std::size_t k = name.size() + 1;
            while (k < at.size() &&
                   (at[k] == ' ' || at[k] == '\t' || at[k] == '\n' || at[k] == '\r'))
                ++k;
            return !startsWith(at.substr(k), "/>");
        }
        return false;
    };
    auto closes = [&](std::string_view at) {
        for (std::string_view name : {std::string_view("array"), std::string_view("dict")})
            if (at.size() > name.size() + 2 && at[1] == '/' && at.substr(2, name.size()) == name &&
                isNameEnd(at[name.size() + 2]))
                return true;
        return false;
    };
    std::size_t i = 0;
    while ((i = s.find('<', i)) != std::string_view::npos) {
        std::string_view rest = s.substr(i);
        const char* terminator = startsWith(rest, "<!--")        ? "-->"
                                 : startsWith(rest, "<![CDATA[") ? "]]>"
                                                                 : nullptr;
        if (terminator) {
            std::size_t end = s.find(terminator, i + 4);
            std::string_view inner = s.substr(i, end == std::string_view::npos ? s.npos : end - i);
            for (std::size_t k = 1; (k = inner.find('<', k)) != std::string_view::npos; ++k)
                if (opens(inner.substr(k))) deepest = std::max(deepest, ++depth);
            if (end == std::string_view::npos) break;
            i = end + 3;
            continue;
        }
        if (opens(rest)) deepest = std::max(deepest, ++depth);
        if (closes(rest) && depth > 0) --depth;
        ++i;
    }
    return deepest;
}

std::optional<Value> fromPlist(plist_t node, Error* error) {
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return Value(b != 0);
        }
        case PLIST_UINT: {
            // Signed 64-bit values come back as their two's complement.
            std::uint64_t u = 0;
            plist_get_uint_val(node, &u);
            return Value(static_cast<std::int64_t>(u));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return Value(d);
        }
        case PLIST_STRING:
        case PLIST_KEY: {
            char* raw = nullptr;
            if (plist_get_node_type(node) == PLIST_STRING)
                plist_get_string_val(node, &raw);
            else
                plist_get_key_val(node, &raw);
            CPtr<char> s(raw);
            return Value(repairedUtf8(s ? std::string_view(s.get()) : std::string_view()));
        }
        case PLIST_DATA: {
            char* raw = nullptr;
            std::uint64_t len = 0;
            plist_get_data_val(node, &raw, &len);
            CPtr<char> d(raw);
            return Value::data(d.get(), d ? static_cast<std::size_t>(len) : 0);
        }
        case PLIST_DATE: {
            std::int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            // The library splits dates before 2001 into a negative second and a positive
            // fraction that belongs to it.
            double fraction = usec / 1e6;
            if (sec < 0 && usec > 0) fraction = -fraction;
            return Value(Date::fromReferenceDate(static_cast<double>(sec) + fraction));
        }
        case PLIST_UID: {
            // Keyed archives refer to objects by UID; this text keeps the reference readable in
            // logs.
            std::uint64_t u = 0;
            plist_get_uid_val(node, &u);
            return Value::dictionary({{"CF$UID", Value(static_cast<std::int64_t>(u))}});
        }
        case PLIST_ARRAY: {
            // Walked with an iterator: indexed access is linear per element on arrays that
            // the binary reader built, which made large lists quadratic.
            Value::Array items;
            items.reserve(plist_array_get_size(node));
            plist_array_iter it = nullptr;
            plist_array_new_iter(node, &it);
            CPtr<void> iterOwner(it);
            for (;;) {
                plist_t item = nullptr;
                plist_array_next_item(node, it, &item);
                if (!item) break;
                auto v = fromPlist(item, error);
                if (!v) return std::nullopt;
                items.push_back(std::move(*v));
            }
            return Value(std::move(items));
        }
        case PLIST_DICT: {
            Value::Dictionary dict;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            CPtr<void> iterOwner(it);
            for (;;) {
                char* rawKey = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, it, &rawKey, &item);
                CPtr<char> key(rawKey);
                if (!item) break;
                auto v = fromPlist(item, error);
                if (!v) return std::nullopt;
                dict[repairedUtf8(key ? std::string_view(key.get()) : std::string_view())] =
                    std::move(*v);
            }
            return Value(std::move(dict));
        }
        default:
            return StorageError::corrupt(error, "unknown object type");
    }
}

bool invalid(Error* error, const std::string& why) {
    return StorageError::fail(error, StorageError::kPropertyListWriteInvalid,
                              "Property list invalid for format (" + why + ").");
}

bool storableText(const std::string& s, Error* error, const char* what) {
    if (s.find('\0') != std::string::npos)
        return invalid(error, std::string(what) + " holds a NUL character");
    if (!isValidUtf8(s)) return invalid(error, std::string(what) + " is not valid UTF-8");
    return true;
}

PlistPtr toPlist(const Value& v, int depth, Error* error) {
    if (depth > PropertyList::kMaxDepth) {
        invalid(error, "nesting too deep");
        return nullptr;
    }
    switch (v.type()) {
        case Value::Type::Null:
            invalid(error, "a null value has no property-list form");
            return nullptr;
        case Value::Type::Bool:
            return PlistPtr(plist_new_bool(v.asBool() ? 1 : 0));
        case Value::Type::Integer:
            return PlistPtr(plist_new_uint(static_cast<std::uint64_t>(v.asInteger())));
        case Value::Type::Real:
            return PlistPtr(plist_new_real(v.asReal()));
        case Value::Type::String:
            if (!storableText(v.stringRef(), error, "a text")) return nullptr;
            return PlistPtr(plist_new_string(v.stringRef().c_str()));
        case Value::Type::Data: {
            const auto& d = v.asData();
            return PlistPtr(plist_new_data(reinterpret_cast<const char*>(d.data()), d.size()));
        }
        case Value::Type::Date: {
            double ref = v.asDate().secondsSinceReferenceDate();
            double sec = std::floor(ref);
            // The library keeps whole seconds in 32 bits: about 1933 to 2069.
            if (!std::isfinite(ref) || sec < std::numeric_limits<std::int32_t>::min() ||
                sec >= std::numeric_limits<std::int32_t>::max()) {
                invalid(error, "a date is out of the storable range");
                return nullptr;
            }
            auto usec = static_cast<std::int32_t>(std::lround((ref - sec) * 1e6));
            if (usec >= 1000000) {
                sec += 1;
                usec -= 1000000;
            }
            return PlistPtr(plist_new_date(static_cast<std::int32_t>(sec), usec));
        }
        case Value::Type::Array: {
            PlistPtr arr(plist_new_array());
            for (const Value& item : v.asArray()) {
                PlistPtr p = toPlist(item, depth + 1, error);
                if (!p) return nullptr;
                plist_array_append_item(arr.get(), p.release());
            }
            return arr;
        }
        case Value::Type::Dictionary: {
            PlistPtr dict(plist_new_dict());
            for (const auto& [key, item] : v.asDictionary()) {
                if (!storableText(key, error, "a key")) return nullptr;
                PlistPtr p = toPlist(item, depth + 1, error);
                if (!p) return nullptr;
                plist_dict_set_item(dict.get(), key.c_str(), p.release());
            }
            return dict;
        }
    }
    invalid(error, "unknown value type");
    return nullptr;
}

}  // namespace

std::optional<Value> PropertyList::parse(std::string_view bytes, Error* error,
                                         PropertyListFormat* format) {
    if (bytes.empty()) return StorageError::corrupt(error, "no data");
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return StorageError::corrupt(error, "too large");

    if (startsWith(bytes, "bplist")) {
        if (format) *format = PropertyListFormat::Binary;
        std::string why;
        BinaryPlistGuard::Limits limits;
        limits.maxDepth = kMaxDepth;
        if (!BinaryPlistGuard::check(bytes, limits, &why)) return StorageError::corrupt(error, why);
        plist_t root = nullptr;
        plist_from_bin(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
        PlistPtr owner(root);
        if (!root) return StorageError::corrupt(error, "damaged binary property list");
        return fromPlist(root, error);
    }

    std::string_view text = skipBomAndSpace(bytes);
    if (startsWith(text, "<?xml") || startsWith(text, "<!") || startsWith(text, "<plist")) {
        if (format) *format = PropertyListFormat::Xml;
        // The parser aborts on a NUL inside a text; XML never contains one anyway.
        if (text.find('\0') != std::string_view::npos)
            return StorageError::corrupt(error, "NUL character in XML");
        if (xmlDepth(text) > static_cast<std::size_t>(kMaxDepth))
            return StorageError::corrupt(error, "nesting too deep");
        plist_t root = nullptr;
        plist_from_xml(text.data(), static_cast<std::uint32_t>(text.size()), &root);
        PlistPtr owner(root);
        if (!root) return StorageError::corrupt(error, "malformed XML property list");
        return fromPlist(root, error);
    }

    if (format) *format = PropertyListFormat::OpenStep;
    std::string why;
    auto value = OpenStepReader::parse(bytes, &why);
    if (!value) return StorageError::corrupt(error, why);
    return value;
}

std::optional<std::string> PropertyList::serialize(const Value& value, PropertyListFormat format,
                                                   Error* error) {
    if (format == PropertyListFormat::OpenStep) {
        invalid(error, "old-style text lists are read, not written");
        return std::nullopt;
    }
    PlistPtr root = toPlist(value, 1, error);
    if (!root) return std::nullopt;
    char* out = nullptr;
    std::uint32_t len = 0;
    if (format == PropertyListFormat::Binary) {
        plist_to_bin(root.get(), &out, &len);
    } else {
        plist_to_xml(root.get(), &out, &len);
    }
    if (!out) {
        invalid(error, "the serialiser failed");
        return std::nullopt;
    }
    std::string bytes(out, len);
    if (format == PropertyListFormat::Binary)
        plist_to_bin_free(out);
    else
        plist_to_xml_free(out);
    return bytes;
}

std::optional<Value> PropertyList::readFile(const std::filesystem::path& path, Error* error,
                                            PropertyListFormat* format, std::size_t maxBytes) {
    auto bytes = FileBytes::read(path, error, maxBytes);
    if (!bytes) return std::nullopt;
    Error parseError;
    auto value = parse(*bytes, &parseError, format);
    if (!value && error) {
        *error = parseError;
        error->withUserInfo("NSFilePath", path.string());
    }
    return value;
}

bool PropertyList::writeFile(const std::filesystem::path& path, const Value& value,
                             PropertyListFormat format, Error* error, mode_t mode) {
    auto bytes = serialize(value, format, error);
    return bytes && FileBytes::write(path, *bytes, error, mode);
}

}  // namespace platform
