#pragma once

// Serves chosen subresources of every web page from memory. A handler is registered for a file
// name (the last path component, such as "mraid.js"); whenever a page of any WebView asks for
// an http(s) subresource of that name, the handler is asked on the main loop with the URL, the
// page's Referer and the page's own address, and answers through its Reply: with bytes and a MIME
// type, or by declining, in which case the page gets the original from the network. Answers may
// come later and from any thread; a Reply dropped without an answer declines. Process-wide: pages
// of every view share one set of handlers. Register and remove on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Url.h"

namespace platform::web {

class ResourceInterceptor {
  public:
    struct Request {
        Url url;
        // The page that asked, as its "Referer" said; empty when it sent none.
        std::string referer{};
        // The full address of the page that asked; empty when the engine does not know it.
        // Unlike the Referer, which the engine trims to the origin for a request to another
        // origin, this names the page itself.
        std::string pageAddress{};
    };
    struct Response {
        std::vector<std::uint8_t> bytes;
        std::string mimeType;
        // The load fails (the page gets neither these bytes nor the original).
        bool failed = false;
    };

    class Reply {
      public:
        using Done = std::function<void(std::optional<Response>)>;
        explicit Reply(Done done);
        // Only the first answer counts.
        void respond(Response response) const;
        void decline() const;
        // The page's load of the resource fails.
        void fail() const;

      private:
        struct State;
        std::shared_ptr<State> state_;
    };

    using Handler = std::function<void(const Request& request, Reply reply)>;

    // A file name is 1 to 255 bytes without "/"; others are refused (false). An empty handler
    // removes the name.
    static bool setHandler(const std::string& fileName, Handler handler);
    static std::vector<std::string> fileNames();

    // For the engines: asks the handler of `fileName` (declining at once when there is none).
    // `done` runs on the main loop, exactly once. Main thread.
    static void dispatch(const std::string& fileName, const Request& request,
                         std::function<void(std::optional<Response>)> done);
    // For the engines: called on the main thread whenever the set of names changes.
    static void setNamesObserver(std::function<void()> observer);
};

}  // namespace platform::web
