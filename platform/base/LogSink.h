#pragma once

// Where every log line of the program ends up. Lines are written whole, under one lock, so
// lines from different threads never interleave. Tests capture the lines instead.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class LogSink {
  public:
    using Handler = std::function<void(const std::string& line)>;

    // Writes one message followed by a newline (a message ending in a newline gets no
    // second one). A message with embedded newlines stays one unit.
    static void write(std::string_view message);
    // printf-style convenience.
    static void writef(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // A line of detail: what someone following one feature step by step wants, not a player.
    // It reaches a handler (and so a Capture) like any line, but stderr only when
    // MOVUROUTE_LOG_DETAIL=1.
    static void writeDetail(std::string_view message);

    // The message as stderr gets it: control characters other than newline and tab become
    // "\xNN", so text a server or a page sent can neither drive the terminal (escape
    // sequences) nor write over a line already shown (carriage returns).
    static std::string terminalSafe(std::string_view message);

    // Replaces the destination; an empty handler restores stderr. Answers the previous one.
    // The handler is called under the sink's lock: it must not log itself.
    static Handler setHandler(Handler handler);

    // Records every message written while it lives (and keeps them from stderr), then
    // restores the previous destination. Captures nest.
    class Capture {
      public:
        Capture();
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

        // Messages without their trailing newline, in the order written.
        std::vector<std::string> lines() const;
        // True when some message contains the text.
        bool contains(std::string_view text) const;
        std::size_t count() const;
        void clear();

      private:
        mutable std::mutex mutex_;
        std::vector<std::string> lines_;
        Handler previous_;
    };
};

}  // namespace platform
