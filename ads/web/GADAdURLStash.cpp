#include "ads/web/GADAdURLStash.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace ads {

using platform::Url;
using platform::ui::View;

namespace {

struct Registration {
    std::weak_ptr<View> view;
    const View* identity;
};

struct Stash {
    std::mutex mutex;
    // Canonical URL text to its registrations, oldest first.
    std::map<std::string, std::vector<Registration>> entries;

    static Stash& shared() {
        static Stash* stash = new Stash;
        return *stash;
    }
};

// Drops registrations of views that are gone; answers whether any is left.
bool prune(std::vector<Registration>& list) {
    std::erase_if(list, [](const Registration& r) { return r.view.expired(); });
    return !list.empty();
}

}  // namespace

std::optional<Url> GADAdURLStash::canonicalURLForURL(const Url& url) {
    if (url.port() || url.host().empty()) return url;
    std::string text = url.absoluteString();
    // ":80" goes where the authority ends, right after the host; a path or query that happens
    // to name the host is left as it is.
    const std::size_t authority = text.find("//");
    if (authority == std::string::npos) return url;
    const std::size_t end = text.find_first_of("/?#", authority + 2);
    text.insert(end == std::string::npos ? text.size() : end, ":80");
    if (const std::size_t hash = text.rfind('#'); hash != std::string::npos) text.resize(hash);
    if (!text.empty() && text.back() == '/') text.pop_back();
    return Url::parse(text);
}

void GADAdURLStash::add(const Url& url, const std::shared_ptr<View>& view) {
    if (!view) return;
    auto canonical = canonicalURLForURL(url);
    if (!canonical) return;
    Stash& stash = Stash::shared();
    std::lock_guard lock(stash.mutex);
    auto& list = stash.entries[canonical->absoluteString()];
    prune(list);
    std::erase_if(list, [&](const Registration& r) { return r.identity == view.get(); });
    list.push_back({view, view.get()});
}

void GADAdURLStash::remove(const Url& url, const View* view) {
    auto canonical = canonicalURLForURL(url);
    if (!canonical) return;
    Stash& stash = Stash::shared();
    std::lock_guard lock(stash.mutex);
    auto found = stash.entries.find(canonical->absoluteString());
    if (found == stash.entries.end()) return;
    std::erase_if(found->second, [&](const Registration& r) { return r.identity == view; });
    if (!prune(found->second)) stash.entries.erase(found);
}

std::shared_ptr<View> GADAdURLStash::viewForURL(const Url& url) {
    auto canonical = canonicalURLForURL(url);
    if (!canonical) return nullptr;
    Stash& stash = Stash::shared();
    std::lock_guard lock(stash.mutex);
    auto found = stash.entries.find(canonical->absoluteString());
    if (found == stash.entries.end()) return nullptr;
    for (auto r = found->second.rbegin(); r != found->second.rend(); ++r) {
        if (auto view = r->view.lock()) return view;
    }
    return nullptr;
}

bool GADAdURLStash::hasStashedURLs() {
    Stash& stash = Stash::shared();
    std::lock_guard lock(stash.mutex);
    for (auto entry = stash.entries.begin(); entry != stash.entries.end();) {
        entry = prune(entry->second) ? std::next(entry) : stash.entries.erase(entry);
    }
    return !stash.entries.empty();
}

void GADAdURLStash::removeAll() {
    Stash& stash = Stash::shared();
    std::lock_guard lock(stash.mutex);
    stash.entries.clear();
}

}  // namespace ads
