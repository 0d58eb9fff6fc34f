#pragma once

// Which ad view shows the page at a URL. Ad views register the base URL of the HTML they load
// (and every http(s) page they move on to), so a request that names a page as its referer,
// such as a creative's request for mraid.js, can be traced back to the ad view that shows it.
//
// URLs are compared in a canonical form, so the base URL as recorded and the referer the
// engine sends find each other: a URL without an explicit port gets ":80" after its host,
// loses its fragment and one trailing "/"; a URL with a port or without a host is compared as
// it is.
//
// Views are held weakly: the stash never keeps a view alive, and a view that is gone is never
// answered. Several views may show the same URL (two banners of one ad unit, say): each holds
// its own registration, the one registered last is answered, and removing one view's
// registration leaves the others'.
//
// Process-wide and thread-safe: the requests it answers are seen on URL-loading threads, so
// the registry sits behind a mutex. A caller off the main thread should take from the view
// only what it needs and let go at once, so the view is never released there.

#include <memory>
#include <optional>

#include "platform/base/Url.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADAdURLStash {
  public:
    static void add(const platform::Url& url, const std::shared_ptr<platform::ui::View>& view);
    // Removes the view's registration of the URL.
    static void remove(const platform::Url& url, const platform::ui::View* view);
    // The live view registered last for the URL, or nullptr.
    static std::shared_ptr<platform::ui::View> viewForURL(const platform::Url& url);
    static bool hasStashedURLs();
    static std::optional<platform::Url> canonicalURLForURL(const platform::Url& url);

    // Forgets every registration (for tests).
    static void removeAll();
};

}  // namespace ads
