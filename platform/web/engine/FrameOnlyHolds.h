#pragma once

// What a WebKit view does for the navigations its delegate let load only in a frame
// (NavigationPolicy::LoadInFrameOnly) while WebKit could not say whose they were
// (FrameOnlyNavigations.h). Each one's number and address go to the view's web process ahead
// of the answer that lets it through: one connection carries both and the web process takes
// them in order, so its extension knows of the navigation before its first request, and no
// answer waits on that process (which may itself wait for the answer with nothing else taken
// meanwhile, as for a fragment's navigation at a tap). The extension then says whose document
// that first request was for. A frame's has loaded in its frame. The page's own was turned
// there, before it was sent, into a request that fails without asking the network, and is
// handed back to the host, which hands it on as held back; WebKit had started that load of
// the page's meanwhile, and its start, its failure and the address it lent the view (WebKit
// shows the address a load's request turns to, ours among them, until the load ends) are
// hidden, so the view's owner sees the page as it was.
//
// Main thread, owned by its view's backend (the host), which outlives it. The view's signal is
// disconnected as it goes.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/FrameOnlyNavigations.h"
#include "platform/web/WebViewBackend.h"

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitUserMessage WebKitUserMessage;

namespace platform::web {

class FrameOnlyHolds {
  public:
    struct Navigation {
        WebViewBackend::RawRequest request;
        NavigationType type = NavigationType::Other;
    };
    class Host {
      public:
        virtual ~Host() = default;
        // The navigation was the page's own: nothing of it loaded.
        virtual void frameOnlyHandedBack(const Navigation& navigation) = 0;
        // A start of the page's own load held back (pageLoadStarted) was a load of the page's
        // after all: it is reported now, before whatever comes next of that load.
        virtual void frameOnlyStartReleased() = 0;
    };

    FrameOnlyHolds(WebKitWebView* view, Host& host);
    ~FrameOnlyHolds();
    FrameOnlyHolds(const FrameOnlyHolds&) = delete;
    FrameOnlyHolds& operator=(const FrameOnlyHolds&) = delete;

    // Tells the web process of a navigation about to be let through.
    void hold(Navigation navigation);

    // The page's load has started: whether its report waits, since it may be one of ours (WebKit
    // does not say which navigation a start is of; one of the page's own is under way at a
    // time).
    bool pageLoadStarted();
    // Another event of the page's load: a start held so far is released first.
    void pageLoadChanged();
    // The page's load failed: whether that is the end of one of ours handed back, which
    // reports nothing (a start held otherwise is released first).
    bool pageLoadFailed();
    // Whether a load of the page's is hidden now (it may be one of ours).
    bool hidesALoad() const { return start_.has_value(); }
    // The address the view showed when the load hidden now started; none without one.
    std::optional<std::string> shownUrl() const;

    // The owner loads a new page: whatever was waiting is forgotten, here and in the web
    // process.
    void forget();
    // The page was ended: what was waiting, oldest first, all forgotten (nothing of it loads
    // any more).
    std::vector<Navigation> takeAll();
    // The page's process ended: what was waiting goes with it.
    void clear();

  private:
    // A start of the page's own load reported late, or never when it is handed back.
    struct HeldStart {
        std::string shownUrl;
        bool handedBack = false;
    };

    static int onMessage(WebKitWebView*, WebKitUserMessage* message, void* self);
    void settle(std::uint64_t number, bool pagesOwn);
    void releaseStart();

    WebKitWebView* view_;
    Host& host_;
    FrameOnlyNavigations<Navigation> waiting_;
    std::optional<HeldStart> start_;
};

}  // namespace platform::web
