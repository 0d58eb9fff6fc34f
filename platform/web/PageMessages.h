#pragma once

// Which of a page's navigations are its messages to the view's owner, and how many of them
// the page may send. The owner names the scheme of its messages (WebViewSettings::
// messageScheme: the ads' "gmsg"); each message is a navigation the engine asks the program
// about, whose address the owner then parses and acts on, so a page sending them in a loop
// keeps the game's main thread parsing and answering for as long as it likes, within the
// navigations a page may start at all (NavigationBudget). Its messages spend a bucket of their
// own, smaller than that, judged on the address as the engine hands it over, before anything
// of ours copies it: what finds the bucket empty is refused, and the first refusal since the
// page loaded is the one to say so in the page's log. A page sending past the bucket is not
// ended for it: its messages are dropped for the price of a comparison, and the navigation
// budget still ends a page that floods. Header only, standard library only; not thread-safe
// (each belongs to one view's engine).

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/web/NavigationBudget.h"

namespace platform::web {

class PageMessages {
  public:
    enum class Verdict {
        Send,         // a message, let through; or no message at all
        Refuse,       // a message over the bucket
        RefuseFirst,  // the first over it since the page loaded: the page's log hears of it
    };

    PageMessages(double perSecond, double burst) : budget_(perSecond, burst, 0, 0) {}

    // "" for none: no navigation is a message. Letters in any case.
    void setScheme(const std::string& scheme) {
        scheme_.clear();
        for (char c : scheme) scheme_ += lower(c);
    }

    // Whether the address (the engine's, NUL-terminated; null for none) is a message: its
    // scheme, in any case, is the owner's. Reads the scheme's letters only.
    bool isMessage(const char* address) const {
        if (!address || scheme_.empty()) return false;
        for (std::size_t i = 0; i < scheme_.size(); ++i) {
            if (lower(address[i]) != scheme_[i]) return false;
        }
        return address[scheme_.size()] == ':';
    }

    // Judges the navigation to `address` at `now` (seconds): a message spends the bucket.
    Verdict spend(const char* address, double now) {
        if (!isMessage(address)) return Verdict::Send;
        if (budget_.spend(now) == NavigationBudget::Verdict::Ask) return Verdict::Send;
        return budget_.dropped() == 1 ? Verdict::RefuseFirst : Verdict::Refuse;
    }

    // A new page in the view: a full bucket, nothing refused yet.
    void renew() { budget_.renew(); }
    // Messages refused since the last renew().
    std::uint64_t refused() const { return budget_.dropped(); }

  private:
    static char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

    std::string scheme_;
    NavigationBudget budget_;
};

}  // namespace platform::web
