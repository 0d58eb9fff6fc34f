#include "ads/web/GADNotification.h"

#include <cstdio>

#include "ads/foundation/GADURLUtilities.h"

namespace ads {

using platform::Url;
using platform::Value;

bool GADNotification::isNotificationURL(const Url& url) {
    return gad_isSchemeEqualToString(url, kScheme, false);
}

std::shared_ptr<const GADNotification> GADNotification::createWithNotificationURL(const Url& url) {
    if (!isNotificationURL(url)) return nullptr;
    // The decoded path: "" when it is absent or does not decode, so such a URL names nothing.
    const std::string path = url.path();
    if (path.size() < 2) return nullptr;
    return create(path.substr(1), gad_dictionaryFromQueryParameters(url, false));
}

std::shared_ptr<const GADNotification> GADNotification::create(std::string name,
                                                               Value::Dictionary parameters) {
    if (name.empty()) return nullptr;
    return std::make_shared<const GADNotification>(Private{}, std::move(name),
                                                   std::move(parameters));
}

GADNotification::GADNotification(Private, std::string name, Value::Dictionary parameters)
    : name_(std::move(name)), parameters_(std::move(parameters)) {}

std::optional<std::string> GADNotification::parameter(std::string_view key) const {
    auto found = parameters_.find(std::string(key));
    if (found == parameters_.end() || !found->second.isString()) return std::nullopt;
    return found->second.stringRef();
}

std::string GADNotification::description() const {
    char head[64];
    std::snprintf(head, sizeof head, "<GADNotification: %p> name:", static_cast<const void*>(this));
    return head + name_ + " parameters:" + Value(parameters_).description();
}

}  // namespace ads
