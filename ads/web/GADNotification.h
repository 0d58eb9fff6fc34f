#pragma once

// One message from an ad page's script: an action name and its string parameters. Pages
// send them as navigations to "gmsg" URLs; the ad view's delegate refuses the navigation and
// hands the message to its handlers (GADGMSGHandler). Immutable once made, so a message can
// cross from the parse queue to the main thread without a lock.
//
// The URL form: scheme "gmsg" in any case, any host, the path "/" + action name (the host,
// port and fragment are ignored; "/a/b" names "a/b"), the query "k=v" pieces cut at "&" and
// ";". A piece counts only with exactly one "=", key and value percent-decoded as UTF-8 ("+"
// stays "+"), keys case-sensitive, a later key winning. Pages are untrusted: a URL that gives
// no action makes no message, and pieces that do not decode are left out.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace ads {

class GADNotification {
  public:
    // The scheme of every message; the ad views' web views budget navigations to it as the
    // page's messages (WebViewSettings::messageScheme).
    static constexpr const char* kScheme = "gmsg";

    static bool isNotificationURL(const platform::Url& url);

    // Nothing when the URL is no gmsg URL or names no action (an empty path, a path that does
    // not decode, or just "/").
    static std::shared_ptr<const GADNotification> createWithNotificationURL(
        const platform::Url& url);
    // Nothing for an empty name.
    static std::shared_ptr<const GADNotification> create(std::string name,
                                                         platform::Value::Dictionary parameters);

    GADNotification(const GADNotification&) = delete;
    GADNotification& operator=(const GADNotification&) = delete;

    const std::string& name() const { return name_; }
    const platform::Value::Dictionary& parameters() const { return parameters_; }
    // A parameter as the text the page sent; nothing when absent or not a text.
    std::optional<std::string> parameter(std::string_view key) const;

    // "<GADNotification: 0x...> name:log parameters:{...}"
    std::string description() const;

  private:
    struct Private {};

  public:
    GADNotification(Private, std::string name, platform::Value::Dictionary parameters);

  private:
    const std::string name_;
    const platform::Value::Dictionary parameters_;
};

}  // namespace ads
