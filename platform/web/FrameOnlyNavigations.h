#pragma once

// Navigations a view's delegate let load only in a frame (NavigationPolicy::LoadInFrameOnly)
// while the engine could not yet say whose they were. WebKit asks the program about every
// navigation of a page and of its frames alike, before it knows which document the navigation
// is for; only its web process learns that, as the navigation's first request goes out. So
// such a navigation is let through with our web-process extension told of it first (by its
// number and address); there, the document request of that address tells whose it is: a
// frame's goes on and loads in its frame, the page's own is cancelled before it is sent and
// handed back to the program. Each side keeps its half here: the program the navigations
// waiting for the web process's word, the extension the addresses waiting for their request.
//
// Nothing a web process says is trusted: a word for a number the program does not hold (one
// it forgot, or never gave) changes nothing, and each side keeps at most kMostWaiting, the
// oldest forgotten first. A page starts at most kPageNavigationBurst navigations at once
// (WebViewTypes.h); a navigation it starts while another of its own is being decided
// supersedes that one, which then never sends a request and is forgotten in time.
//
// Header only: the web-process extension links none of our libraries. Each side is used on
// one thread (the program's main thread; the web process's main thread).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::web {

inline constexpr std::size_t kMostWaitingFrameOnlyNavigations = 128;

// The program's half: what each navigation was (`Navigation`, the backend's record of it) until
// the web process says where it went.
template <class Navigation>
class FrameOnlyNavigations {
  public:
    // Waits for the web process's word; its number, which the web process is told.
    std::uint64_t add(Navigation navigation) {
        if (waiting_.size() >= kMostWaitingFrameOnlyNavigations) waiting_.pop_front();
        waiting_.push_back({++last_, std::move(navigation)});
        return last_;
    }
    bool contains(std::uint64_t number) const {
        return std::any_of(waiting_.begin(), waiting_.end(),
                           [&](const Entry& entry) { return entry.number == number; });
    }
    // The web process's word on navigation `number`: the page's own comes back, to be handed
    // to the delegate; a frame's is simply forgotten, as is anything it says of a number
    // that is not waiting.
    std::optional<Navigation> settle(std::uint64_t number, bool pagesOwn) {
        auto found = std::find_if(waiting_.begin(), waiting_.end(),
                                  [&](const Entry& entry) { return entry.number == number; });
        if (found == waiting_.end()) return std::nullopt;
        Entry entry = std::move(*found);
        waiting_.erase(found);
        if (!pagesOwn) return std::nullopt;
        return std::move(entry.navigation);
    }
    // Every navigation still waiting, oldest first, all forgotten.
    std::vector<Navigation> takeAll() {
        std::vector<Navigation> all;
        for (auto& entry : waiting_) all.push_back(std::move(entry.navigation));
        waiting_.clear();
        return all;
    }
    bool empty() const { return waiting_.empty(); }
    std::size_t size() const { return waiting_.size(); }

  private:
    struct Entry {
        std::uint64_t number;
        Navigation navigation;
    };
    std::deque<Entry> waiting_;
    std::uint64_t last_ = 0;
};

// The web process's half: the addresses of the navigations the program let load only in a
// frame, by their numbers, until a document request of one goes out.
class FrameOnlyRequests {
  public:
    void add(std::uint64_t number, std::string url) {
        if (waiting_.size() >= kMostWaitingFrameOnlyNavigations) waiting_.pop_front();
        waiting_.emplace_back(number, std::move(url));
    }
    // The navigation a document request of `url` starts, the oldest of that address; it no
    // longer waits.
    std::optional<std::uint64_t> take(std::string_view url) {
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
            if (it->second != url) continue;
            const std::uint64_t number = it->first;
            waiting_.erase(it);
            return number;
        }
        return std::nullopt;
    }
    void clear() { waiting_.clear(); }
    bool empty() const { return waiting_.empty(); }

  private:
    std::deque<std::pair<std::uint64_t, std::string>> waiting_;
};

// Whose document a request of the web process is for, as its send-request sees it.
enum class RequestTarget { Page, Frame, NotADocument };

// A request's fetch destination says so where WebKit sends one (to trustworthy origins only:
// "document" is the page's, "iframe" and "frame" a frame's, anything else no document).
// Without it, a document is asked for with the Accept a document gets ("text/html" first), and
// the page's own is for the page's address: the main frame's load takes the address it goes to
// before its first request is made, while a frame's load leaves the page's as it was. A frame
// that loads the very address of its page is taken for the page's: the cautious side, since the
// page's own, let go, would fetch a click's address from inside the ad. Fragments never reach
// the server and are not compared.
inline RequestTarget requestTarget(std::string_view fetchDestination, std::string_view accept,
                                   std::string_view url, std::string_view pageUrl) {
    if (!fetchDestination.empty()) {
        if (fetchDestination == "document") return RequestTarget::Page;
        if (fetchDestination == "iframe" || fetchDestination == "frame")
            return RequestTarget::Frame;
        return RequestTarget::NotADocument;
    }
    if (accept.substr(0, 9) != "text/html") return RequestTarget::NotADocument;
    const auto withoutFragment = [](std::string_view text) {
        return text.substr(0, text.find('#'));
    };
    return withoutFragment(url) == withoutFragment(pageUrl) ? RequestTarget::Page
                                                            : RequestTarget::Frame;
}

}  // namespace platform::web
