#pragma once

// What one page may ask of the program's main thread, judged without a clock of its own: the
// caller hands in the time of each navigation the page starts. Every frame a page adds, every
// page message (a frame's navigation) and every link or script navigation is decided on the
// main thread, and WebKit does its own work in the program for each of them besides, so a page
// that makes them without end takes the game's frames. Header only, standard library only;
// not thread-safe (each belongs to one view's engine).
//
// The page has a bucket of `burst` navigations, filled again at `perSecond`: a navigation that
// finds one left is asked about as usual (Ask); one that finds none is refused at once, before
// anything of ours looks at it (Drop). A page that keeps asking after that is flooding, not
// bursting: once `flood` of its navigations have been refused within `window` seconds, the page
// is to be ended (End, answered once; every later navigation is dropped). A `flood` of 0 never
// ends the page: what is over the bucket is only dropped. A navigation may cost more than one
// (a long address costs the program as several short ones); it is asked only when the bucket
// holds all of it, and a refused one counts once towards the flood.

#include <cstdint>
#include <deque>

namespace platform::web {

class NavigationBudget {
  public:
    enum class Verdict { Ask, Drop, End };

    NavigationBudget(double perSecond, double burst, std::uint32_t flood, double window)
        : perSecond_(perSecond), burst_(burst), flood_(flood), window_(window), left_(burst) {}

    Verdict spend(double now, double cost = 1) {
        if (ended_) {
            ++dropped_;
            return Verdict::Drop;
        }
        if (started_ && now > last_) left_ += (now - last_) * perSecond_;
        if (!started_ || now > last_) last_ = now;
        started_ = true;
        if (left_ > burst_) left_ = burst_;
        if (left_ >= cost) {
            left_ -= cost;
            return Verdict::Ask;
        }
        ++dropped_;
        if (flood_ == 0) return Verdict::Drop;
        // A clock that went back counts as standing still.
        refusals_.push_back(last_);
        while (!refusals_.empty() && refusals_.front() <= last_ - window_) refusals_.pop_front();
        if (refusals_.size() >= flood_) {
            ended_ = true;
            refusals_.clear();
            return Verdict::End;
        }
        return Verdict::Drop;
    }

    // A new page in the view: a full bucket, nothing refused yet.
    void renew() { *this = NavigationBudget(perSecond_, burst_, flood_, window_); }
    // The page is ended for another reason: every later navigation is dropped, as after End.
    void end() {
        ended_ = true;
        refusals_.clear();
    }

    // Refused so far (Drop and End), since the last renew().
    std::uint64_t dropped() const { return dropped_; }
    bool ended() const { return ended_; }

  private:
    double perSecond_;
    double burst_;
    std::uint32_t flood_;
    double window_;
    double left_;
    double last_ = 0;
    bool started_ = false;
    bool ended_ = false;
    std::uint64_t dropped_ = 0;
    // The times of the refusals within the window.
    std::deque<double> refusals_;
};

}  // namespace platform::web
