#pragma once

// The one dynamic value of the program: what property lists, JSON, user defaults and server
// settings are made of. Values are plain C++ values: copying one copies the whole tree, so a
// value handed to another object can never be changed behind that object's back.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

// A moment in time, in seconds since 1970-01-01 00:00:00 UTC (the clock's wall time).
struct Date {
    double secondsSince1970 = 0;

    // Seconds between 1970 and 2001-01-01, the reference date that property lists store dates
    // relative to.
    static constexpr double kReferenceDateOffset = 978307200.0;

    static Date fromReferenceDate(double secondsSince2001) {
        return Date{secondsSince2001 + kReferenceDateOffset};
    }
    double secondsSinceReferenceDate() const { return secondsSince1970 - kReferenceDateOffset; }

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;
};

class Value {
  public:
    enum class Type { Null, Bool, Integer, Real, String, Data, Date, Array, Dictionary };

    using Bytes = std::vector<std::uint8_t>;
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value>;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : v_(b) {}
    // Every integer type but bool lands here, so Value(3), Value(3L) and Value(size_t{3}) are
    // integers and never silently turn into booleans or reals.
    template <typename T,
              std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    Value(T i) : v_(static_cast<std::int64_t>(i)) {}
    Value(double d) : v_(d) {}
    Value(float f) : v_(static_cast<double>(f)) {}
    Value(const char* s) : v_(std::string(s ? s : "")) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(Bytes d) : v_(std::move(d)) {}
    Value(platform::Date d) : v_(d) {}
    Value(Array a) : v_(std::move(a)) {}
    Value(Dictionary d) : v_(std::move(d)) {}

    static Value array(std::initializer_list<Value> items = {}) { return Value(Array(items)); }
    static Value dictionary(std::initializer_list<std::pair<const std::string, Value>> items = {}) {
        return Value(Dictionary(items));
    }
    static Value data(const void* bytes, std::size_t size);

    Type type() const { return static_cast<Type>(v_.index()); }
    static const char* typeName(Type t);

    bool isNull() const { return type() == Type::Null; }
    bool isBool() const { return type() == Type::Bool; }
    bool isInteger() const { return type() == Type::Integer; }
    bool isReal() const { return type() == Type::Real; }
    // Booleans, integers and reals: files and servers mix them freely for the same key.
    bool isNumber() const { return isBool() || isInteger() || isReal(); }
    bool isString() const { return type() == Type::String; }
    bool isData() const { return type() == Type::Data; }
    bool isDate() const { return type() == Type::Date; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }

    // Typed getters answer the default when the value has another type, the way a message to
    // an object of the wrong class answered nothing useful. The numeric getters accept any
    // number (a property list may store 1 where 1.0 was meant); they never parse strings - the
    // text rules live in NumberText.h.
    bool asBool(bool def = false) const;
    std::int64_t asInteger(std::int64_t def = 0) const;
    double asReal(double def = 0) const;
    std::string asString(std::string_view def = {}) const;
    platform::Date asDate(platform::Date def = {}) const;
    // intValue, integerValue, doubleValue, boolValue and stringValue for an object that might be a
    // string or a number (server settings arrive as either): strings follow the text rules of
    // NumberText.h, numbers convert (saturating), anything else answers 0, false or "".
    std::int32_t intValue() const;
    std::int64_t integerValue() const;
    double doubleValue() const;
    bool boolValue() const;
    std::string stringValue() const;

    // Containers and strings by reference: an empty static instance on the wrong type.
    const std::string& stringRef() const;
    const Bytes& asData() const;
    const Array& asArray() const;
    const Dictionary& asDictionary() const;

    // Mutable access; nullptr on the wrong type.
    Array* arrayPtr() { return std::get_if<Array>(&v_); }
    Dictionary* dictionaryPtr() { return std::get_if<Dictionary>(&v_); }
    const Array* arrayPtr() const { return std::get_if<Array>(&v_); }
    const Dictionary* dictionaryPtr() const { return std::get_if<Dictionary>(&v_); }

    // Element count of an array, dictionary, string (bytes) or data; 0 otherwise.
    std::size_t size() const;

    // Dictionary lookup: nullptr (find) or a null value (get, []) when absent or not a
    // dictionary.
    const Value* find(std::string_view key) const;
    const Value& get(std::string_view key) const;
    const Value& operator[](std::string_view key) const { return get(key); }
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Array element, or a null value out of range.
    const Value& at(std::size_t index) const;
    // Any integer type indexes (a negative index is out of range).
    template <typename I, std::enable_if_t<std::is_integral_v<I>, int> = 0>
    const Value& operator[](I index) const {
        if constexpr (std::is_signed_v<I>) {
            if (index < 0) return at(static_cast<std::size_t>(-1));
        }
        return at(static_cast<std::size_t>(index));
    }

    // Setting a key on a null value makes it a dictionary; on any other non-dictionary it is
    // ignored (answers false), so bad input never throws.
    bool set(std::string key, Value value);
    bool erase(std::string_view key);
    // Appending to a null value makes it an array; ignored (false) on other types.
    bool append(Value value);

    // Same type and same contents, compared deeply. 1 and 1.0 differ: a property list that
    // changes an integer to a real has changed.
    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

    // The "%@" rendering that logs and report texts use: strings bare at the top level, quoted
    // inside containers when they need to be; arrays "( ... )", dictionaries "{ key = value; }",
    // data "<0a0b0c0d 0e>", dates "2001-01-01 00:00:00 +0000", null "<null>".
    std::string description() const;

  private:
    void describe(std::string& out, int indent, bool nested) const;

    std::variant<std::monostate, bool, std::int64_t, double, std::string, Bytes, platform::Date,
                 Array, Dictionary>
        v_;
};

}  // namespace platform
