#pragma once

// How many lines a source the program does not control (a web page, the engine's libraries, a
// web process) may put in the log. A page that logs in a loop, or whose refused requests each
// log, would otherwise fill the disk and keep the game's main thread writing; a budget lets
// the first lines through, has one line written in place of the next saying that the rest are
// dropped, and drops the rest for the price of a lock, before anything is formatted. It starts
// over on its owner's word (a new page) or, for a source that lives as long as the program,
// once its period has passed since it started, so the log still hears from that source an hour
// later without hearing all of it.
//
// Any thread. Header only: the web engine module spends budgets the program made.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/LogSink.h"

namespace platform {

class LogBudget {
  public:
    enum class Verdict {
        Write,         // the line is written
        WriteDropped,  // the budget has just run out: droppedLine() is written instead
        Drop,          // nothing is written
    };

    // `period`: seconds of the caller's clock after which the budget starts over by itself;
    // 0 for never.
    LogBudget(std::uint32_t lines, std::string droppedLine, double period = 0)
        : lines_(lines), droppedLine_(std::move(droppedLine)), period_(period) {}
    LogBudget(const LogBudget&) = delete;
    LogBudget& operator=(const LogBudget&) = delete;

    // Spends one line at `now` (read only when the budget has a period).
    Verdict spend(double now = 0) {
        std::lock_guard lock(mutex_);
        if (period_ > 0) {
            if (!started_ || now - start_ >= period_ || now < start_) {
                started_ = true;
                start_ = now;
                spent_ = 0;
            }
        }
        if (spent_ < lines_) {
            ++spent_;
            return Verdict::Write;
        }
        if (spent_ == lines_) {
            ++spent_;
            return Verdict::WriteDropped;
        }
        return Verdict::Drop;
    }

    // Starts over: a new page, say.
    void renew() {
        std::lock_guard lock(mutex_);
        spent_ = 0;
        started_ = false;
    }

    const std::string& droppedLine() const { return droppedLine_; }
    std::uint32_t lines() const { return lines_; }

    // Writes the line (LogSink), or the dropped line in its place; whether the line was written.
    bool write(std::string_view line, double now = 0) {
        return writeWith([line] { return std::string(line); }, now);
    }
    // The same for a line that is only made when it is written.
    template <class Make>
    bool writeWith(Make&& make, double now = 0) {
        return writeThrough(
            std::forward<Make>(make), [](std::string line) { LogSink::write(line); }, now);
    }
    // The same through another writer (one that keeps the lines in order with others, say).
    template <class Make, class Writer>
    bool writeThrough(Make&& make, Writer&& writer, double now = 0) {
        if (!admit(writer, now)) return false;
        writer(std::forward<Make>(make)());
        return true;
    }
    // Spends one line for something other than a line (a request the page asked for, say):
    // whether it may go ahead. The one that runs the budget out has the dropped line written
    // through `writer` instead.
    template <class Writer>
    bool admit(Writer&& writer, double now = 0) {
        switch (spend(now)) {
            case Verdict::Write:
                return true;
            case Verdict::WriteDropped:
                writer(droppedLine_);
                return false;
            case Verdict::Drop:
                return false;
        }
        return false;
    }

  private:
    std::mutex mutex_;
    const std::uint32_t lines_;
    const std::string droppedLine_;
    const double period_;
    // Lines spent since the budget started; one more than lines_ once the dropped line went.
    std::uint32_t spent_ = 0;
    bool started_ = false;
    double start_ = 0;
};

}  // namespace platform
