#pragma once

// What a WebKit view does for the navigations its delegate let load only in a frame
// (NavigationPolicy::LoadInFrameOnly) while WebKit could not say whose they were
// (FrameOnlyNavigations.h): each is let through only once the view's web process, told its
// number and address, has answered that it keeps them, and its extension then says whose
// document its first request was for. A frame's has loaded in its frame. The page's own was
// turned there, before it was sent, into a request that fails (and asks nothing of the
// network), and is handed back to the host, which hands it on as held back; WebKit had started
// that load of the page's meanwhile, and its start and its failure are hidden, so the view's
// owner sees the page as it was (WebKit shows a page's new address only once it commits).
// With no extension to answer, nothing is let through and the navigation is handed back, as
// the page's own would have to be.
//
// Main thread, owned by its view's backend (the host), which outlives it. The view's signal is
// disconnected as it goes, and answers that come later find nothing.

#include <cstdint>
#include <memory>
#include <optional>
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
        // The policy decision `decision` waited for the web process: let it through or not.
        virtual void frameOnlyDecided(std::uint64_t decision, bool letThrough) = 0;
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

    // Tells the web process of the navigation of policy decision `decision`, and answers the
    // host once it has answered.
    void hold(std::uint64_t decision, Navigation navigation);

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
        bool handedBack = false;
    };

    static int onMessage(WebKitWebView*, WebKitUserMessage* message, void* self);
    // The web process answered that it keeps navigation `number`, or no extension there
    // handled the message, or the process went before it answered.
    enum class Reply { Kept, Unhandled, Lost };
    void answered(std::uint64_t decision, std::uint64_t number, Reply reply);
    void settle(std::uint64_t number, bool pagesOwn);
    void releaseStart();

    WebKitWebView* view_;
    Host& host_;
    FrameOnlyNavigations<Navigation> waiting_;
    std::optional<HeldStart> start_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform::web
