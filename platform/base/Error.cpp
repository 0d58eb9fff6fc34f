#include "platform/base/Error.h"

namespace platform {

Error Error::make(std::string domain, std::int64_t code, std::string description) {
    Error e;
    e.domain = std::move(domain);
    e.code = code;
    if (!description.empty()) e.userInfo.set(kLocalizedDescriptionKey, std::move(description));
    return e;
}

std::string Error::localizedDescription() const {
    const Value& d = userInfo.get(kLocalizedDescriptionKey);
    if (d.isString()) return d.asString();
    return "The operation couldn\u2019t be completed. (" + domain + " error " +
           std::to_string(code) + ".)";
}

std::string Error::description() const {
    std::string out = "Error Domain=" + domain + " Code=" + std::to_string(code) + " \"" +
                      localizedDescription() + "\"";
    if (underlying) out += " (underlying: " + underlying->description() + ")";
    return out;
}

Error& Error::withUnderlying(const Error& cause) {
    underlying = std::make_shared<Error>(cause);
    return *this;
}

Error& Error::withUserInfo(std::string key, Value value) {
    if (!userInfo.isDictionary()) userInfo = Value::dictionary();
    userInfo.set(std::move(key), std::move(value));
    return *this;
}

bool operator==(const Error& a, const Error& b) {
    if (a.domain != b.domain || a.code != b.code || !(a.userInfo == b.userInfo)) return false;
    if (!a.underlying || !b.underlying) return !a.underlying && !b.underlying;
    return *a.underlying == *b.underlying;
}

}  // namespace platform
