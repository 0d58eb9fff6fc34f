#include "platform/base/LogSink.h"

#include <unistd.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}

LogSink::Handler& currentHandler() {
    // Never destroyed: pool threads log while the process exits (the ads' log queue does so by
    // design).
    static auto* h = new LogSink::Handler;
    return *h;
}

void writeToStderr(const std::string& line) {
    // One write call per line keeps lines whole even against other processes sharing stderr.
    std::string out = LogSink::terminalSafe(line);
    out += '\n';
    const char* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Read at every line: cheap next to the write, and tests change the environment.
bool detailOnStderr() {
    const char* v = std::getenv("MOVUROUTE_LOG_DETAIL");
    return v && v[0] == '1' && v[1] == '\0';
}

void deliver(std::string_view message, bool detail) {
    if (!message.empty() && message.back() == '\n') message.remove_suffix(1);
    std::string line(message);
    std::lock_guard lock(sinkMutex());
    if (currentHandler()) {
        currentHandler()(line);
    } else if (!detail || detailOnStderr()) {
        writeToStderr(line);
    }
}

}  // namespace

std::string LogSink::terminalSafe(std::string_view message) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(message.size());
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7f) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

void LogSink::write(std::string_view message) {
    deliver(message, false);
}

void LogSink::writeDetail(std::string_view message) {
    deliver(message, true);
}

void LogSink::writef(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string s;
    if (n > 0) {
        s.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(s.data(), s.size(), format, args);
        s.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    write(s);
}

LogSink::Handler LogSink::setHandler(Handler handler) {
    std::lock_guard lock(sinkMutex());
    Handler old = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return old;
}

LogSink::Capture::Capture() {
    previous_ = setHandler([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    });
}

LogSink::Capture::~Capture() {
    setHandler(std::move(previous_));
}

std::vector<std::string> LogSink::Capture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogSink::Capture::contains(std::string_view text) const {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines_) {
        if (l.find(text) != std::string::npos) return true;
    }
    return false;
}

std::size_t LogSink::Capture::count() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

void LogSink::Capture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace platform
