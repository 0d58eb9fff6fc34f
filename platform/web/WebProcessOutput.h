#pragma once

// What one web process writes on its standard output and error, as the program reads it from
// the process's output stream (WebProcessExtensionProtocol.h). Anyone on the machine can
// connect to that stream, and what the process writes may carry a page's text, so nothing is
// taken on trust: the first line must be the token, or the stream is refused; each line after
// it is handed on at most kLineBytes long (the rest of a longer line is dropped), empty lines
// are skipped, and a line the process already wrote is not handed on again, so a warning the
// engine writes for each media element (or each anything a page makes a thousand of) reaches
// the log once. The runtime reads the socket and spends the process's budget on what this
// hands on. Pure; header only.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace platform::web {

class WebProcessOutput {
  public:
    static constexpr std::size_t kLineBytes = 1024;
    // The distinct lines remembered, so a repeat is known; past them, lines are handed on
    // unremembered (the budget still bounds them).
    static constexpr std::size_t kRememberedLines = 256;
    // A token line longer than this is no token.
    static constexpr std::size_t kTokenBytes = 128;

    explicit WebProcessOutput(std::string token) : token_(std::move(token)) {}

    // Takes bytes as they were read; `line(std::string_view)` hears each line to log. False
    // once the stream is refused.
    template <class Line>
    bool take(std::string_view bytes, Line&& line) {
        while (!bytes.empty() && state_ != State::Refused) {
            const std::size_t end = bytes.find('\n');
            const std::string_view piece = bytes.substr(0, end);
            const std::size_t room = limit() - partial_.size();
            if (piece.size() > room) {
                partial_.append(piece.substr(0, room));
                cut_ = true;
            } else {
                partial_.append(piece);
            }
            if (state_ == State::Token && cut_) state_ = State::Refused;
            if (end == std::string_view::npos) break;
            bytes.remove_prefix(end + 1);
            finishLine(line);
        }
        return state_ != State::Refused;
    }

    // The end of the stream: a last line without its newline is handed on too.
    template <class Line>
    void end(Line&& line) {
        if (state_ == State::Lines && !partial_.empty()) finishLine(line);
        partial_.clear();
    }

    bool refused() const { return state_ == State::Refused; }
    // Lines not handed on because the process had written them before.
    std::size_t repeats() const { return repeats_; }

  private:
    enum class State { Token, Lines, Refused };

    std::size_t limit() const { return state_ == State::Token ? kTokenBytes : kLineBytes; }

    template <class Line>
    void finishLine(Line& line) {
        std::string text = std::move(partial_);
        partial_.clear();
        cut_ = false;
        if (state_ == State::Token) {
            state_ = !token_.empty() && text == token_ ? State::Lines : State::Refused;
            return;
        }
        if (text.empty()) return;
        if (seen_.count(text)) {
            ++repeats_;
            return;
        }
        if (seen_.size() < kRememberedLines) seen_.insert(text);
        line(std::string_view(text));
    }

    const std::string token_;
    State state_ = State::Token;
    std::string partial_;
    // The line now being read was longer than its limit; the rest of it is dropped.
    bool cut_ = false;
    std::unordered_set<std::string> seen_;
    std::size_t repeats_ = 0;
};

}  // namespace platform::web
