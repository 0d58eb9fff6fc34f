#include "platform/runtime/CrashCapture.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "platform/base/Unicode.h"
#include "platform/runtime/Clock.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "movuroute-crash 1";
constexpr std::string_view kFilePrefix = "crash-";
constexpr std::string_view kFileSuffix = ".report";
constexpr int kMaxFrames = 64;

struct FatalSignal {
    int number;
    const char* name;
    const char* description;
};

constexpr FatalSignal kSignals[] = {
    {SIGSEGV, "SIGSEGV", "Segmentation fault"},
    {SIGBUS, "SIGBUS", "Bus error"},
    {SIGILL, "SIGILL", "Illegal instruction"},
    {SIGFPE, "SIGFPE", "Floating point exception"},
    {SIGABRT, "SIGABRT", "Aborted"},
};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// Everything the handlers read, set up before they can run. Plain data on purpose: a crash
// may come while a destructor of some static runs, and these must still be there.
struct State {
    int directory = -1;
    // "crash-<wall seconds>-"; the pid is added at the crash (a forked child has its own).
    char prefix[48] = {};
    std::size_t prefixLength = 0;
    struct sigaction previous[kSignalCount] = {};
    std::terminate_handler previousTerminate = nullptr;
    bool ownsAltStack = false;
};

State state;
std::atomic<bool> installed{false};
// One report per process: the abort that follows an uncaught exception, or a second thread
// crashing at the same moment, writes nothing.
std::atomic<bool> crashed{false};

// The alternate stack: static, so uninstalling never frees memory a thread may still use.
constexpr std::size_t kAltStackSize = 128 * 1024;
alignas(16) char altStackMemory[kAltStackSize];

void signalHandler(int number, siginfo_t* info, void* context);
[[noreturn]] void terminateHandler();

// --- what the handlers may call: write, nothing that locks or allocates ---

class Writer {
  public:
    explicit Writer(int fd) : fd_(fd) {}
    ~Writer() { flush(); }

    void raw(const char* text, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) byte(text[i]);
    }
    void raw(const char* text) { raw(text, std::strlen(text)); }
    // Control characters would break the line format: they become spaces.
    void line(const char* text, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            auto c = static_cast<unsigned char>(text[i]);
            byte(c < 0x20 || c == 0x7f ? ' ' : text[i]);
        }
    }
    void hex(std::uintptr_t value) {
        char digits[2 + 2 * sizeof value];
        digits[0] = '0';
        digits[1] = 'x';
        for (std::size_t i = 0; i < 2 * sizeof value; ++i) {
            unsigned nibble = (value >> (4 * (2 * sizeof value - 1 - i))) & 0xf;
            digits[2 + i] = static_cast<char>(nibble < 10 ? '0' + nibble : 'a' + nibble - 10);
        }
        raw(digits, sizeof digits);
    }
    void flush() {
        std::size_t done = 0;
        while (done < length_) {
            ssize_t n = ::write(fd_, buffer_ + done, length_ - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        length_ = 0;
    }

  private:
    void byte(char c) {
        if (length_ == sizeof buffer_) flush();
        buffer_[length_++] = c;
    }

    int fd_;
    char buffer_[512];
    std::size_t length_ = 0;
};

std::size_t appendDecimal(char* out, std::size_t at, std::size_t capacity, unsigned long value) {
    char digits[24];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value && n < sizeof digits);
    while (n && at + 1 < capacity) out[at++] = digits[--n];
    return at;
}

std::size_t appendText(char* out, std::size_t at, std::size_t capacity, std::string_view text) {
    for (char c : text)
        if (at + 1 < capacity) out[at++] = c;
    return at;
}

// A new file of our own, never one that was there (or a link planted in its place).
int openReportFile() {
    char name[96];
    std::size_t base = appendText(name, 0, sizeof name, {state.prefix, state.prefixLength});
    base = appendDecimal(name, base, sizeof name, static_cast<unsigned long>(::getpid()));
    for (unsigned attempt = 0; attempt < 10; ++attempt) {
        std::size_t at = base;
        if (attempt > 0) {
            at = appendText(name, at, sizeof name, "-");
            at = appendDecimal(name, at, sizeof name, attempt);
        }
        at = appendText(name, at, sizeof name, kFileSuffix);
        name[at] = '\0';
        int fd = ::openat(state.directory, name,
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            // The umask may have taken more than the group's and others' bits.
            ::fchmod(fd, 0600);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// Cut at a character boundary, so the reason stays text.
std::size_t reasonLength(const char* reason) {
    std::size_t length = ::strnlen(reason, CrashCapture::kMaxReasonBytes + 1);
    if (length <= CrashCapture::kMaxReasonBytes) return length;
    length = CrashCapture::kMaxReasonBytes;
    while (length > 0 && (static_cast<unsigned char>(reason[length]) & 0xc0) == 0x80) --length;
    return length;
}

void writeReport(const char* name, const char* reason, std::uintptr_t address, bool withAddress) {
    int fd = openReportFile();
    if (fd < 0) return;
    {
        Writer out(fd);
        out.raw(kHeader.data(), kHeader.size());
        out.raw("\nname: ");
        out.line(name, std::strlen(name));
        out.raw("\nreason: ");
        out.line(reason, reasonLength(reason));
        if (withAddress) {
            out.raw(" at ");
            out.hex(address);
        }
        out.raw("\nframes:\n");
    }
    void* frames[kMaxFrames];
    int count = ::backtrace(frames, kMaxFrames);
    // The first frame is this function: the crash is below it.
    if (count > 1) ::backtrace_symbols_fd(frames + 1, count - 1, fd);
    {
        Writer out(fd);
        out.raw("end\n");
    }
    ::fsync(fd);
    ::close(fd);
}

int signalIndex(int number) {
    for (int i = 0; i < kSignalCount; ++i)
        if (kSignals[i].number == number) return i;
    return -1;
}

void signalHandler(int number, siginfo_t* info, void* context) {
    int savedErrno = errno;
    int index = signalIndex(number);
    if (index < 0) return;
    if (!crashed.exchange(true)) {
        bool fault = number != SIGABRT && info && info->si_code > 0;
        writeReport(kSignals[index].name, kSignals[index].description,
                    fault ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0, fault);
    }
    // On to the handler found at install, put back first so that a fault that happens
    // again (returning re-runs the faulting instruction) goes straight to it.
    const struct sigaction& previous = state.previous[index];
    ::sigaction(number, &previous, nullptr);
    errno = savedErrno;
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction) previous.sa_sigaction(number, info, context);
        return;
    }
    if (previous.sa_handler == SIG_IGN) {
        // Ignoring a signal someone sent stays ignoring; ignoring a real fault would run
        // into it forever, so that one ends the process as the default does.
        if (info && info->si_code <= 0) return;
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    if (previous.sa_handler == SIG_DFL) {
        // Delivered as soon as this handler returns (the signal is blocked until then), so
        // also a signal that came from kill() ends the process as it would have.
        ::raise(number);
        return;
    }
    previous.sa_handler(number);
}

std::string demangled(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && text ? std::string(text.get()) : std::string(mangled);
}

void terminateHandler() {
    if (!crashed.exchange(true)) {
        std::string name = "std::terminate";
        std::string reason = "terminate called without an active exception";
        if (const std::type_info* type = abi::__cxa_current_exception_type()) {
            name = demangled(type->name());
            reason.clear();
            try {
                std::rethrow_exception(std::current_exception());
            } catch (const std::exception& e) {
                reason = e.what();
            } catch (...) {
            }
        }
        writeReport(name.c_str(), reason.c_str(), 0, false);
    }
    std::terminate_handler previous = state.previousTerminate;
    std::set_terminate(previous);
    if (previous) previous();
    std::abort();
}

bool isOurs(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == signalHandler;
}

}  // namespace

bool CrashCapture::install(const std::filesystem::path& directory) {
    if (installed.load()) return false;
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    state.directory = fd;
    char* prefix = state.prefix;
    std::size_t at = appendText(prefix, 0, sizeof state.prefix, kFilePrefix);
    double now = Clock::wallSeconds();
    at = appendDecimal(prefix, at, sizeof state.prefix,
                       now > 0 ? static_cast<unsigned long>(now) : 0ul);
    at = appendText(prefix, at, sizeof state.prefix, "-");
    state.prefixLength = at;

    // The first backtrace loads the unwinder, which allocates: done now, not in a crash.
    void* warm[4];
    ::backtrace(warm, 4);

    // A stack overflow can only be reported from another stack. One the thread already has
    // (a sanitizer's, say) serves as well.
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
        stack_t ours{};
        ours.ss_sp = altStackMemory;
        ours.ss_size = kAltStackSize;
        state.ownsAltStack = ::sigaltstack(&ours, nullptr) == 0;
    }

    struct sigaction action {};
    action.sa_sigaction = signalHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i].number, &action, &state.previous[i]);
    state.previousTerminate = std::set_terminate(terminateHandler);
    installed.store(true);
    return true;
}

void CrashCapture::uninstall() {
    if (!installed.load()) return;
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction current {};
        if (::sigaction(kSignals[i].number, nullptr, &current) == 0 && isOurs(current))
            ::sigaction(kSignals[i].number, &state.previous[i], nullptr);
    }
    if (std::get_terminate() == terminateHandler) std::set_terminate(state.previousTerminate);
    if (state.ownsAltStack) {
        stack_t current{};
        if (::sigaltstack(nullptr, &current) == 0 && current.ss_sp == altStackMemory &&
            !(current.ss_flags & SS_ONSTACK)) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
        }
        state.ownsAltStack = false;
    }
    ::close(state.directory);
    state.directory = -1;
    installed.store(false);
}

bool CrashCapture::isInstalled() {
    return installed.load();
}

std::vector<std::filesystem::path> CrashCapture::reportFiles(
    const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!name.starts_with(kFilePrefix) || !name.ends_with(kFileSuffix)) continue;
        std::error_code statError;
        if (!it->is_regular_file(statError) || it->is_symlink(statError)) continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<CrashCapture::Report> CrashCapture::readReport(const std::filesystem::path& file,
                                                             std::string* why) {
    auto fail = [why](std::string reason) -> std::optional<Report> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail(std::string("cannot open: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    std::string text(kMaxReportBytes + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            return fail(std::string("cannot read: ") + std::strerror(err));
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > kMaxReportBytes) return fail("larger than 64 KiB");
    text.resize(got);
    return parseReport(text, why);
}

std::optional<CrashCapture::Report> CrashCapture::parseReport(std::string_view text,
                                                              std::string* why) {
    auto fail = [why](const char* reason) -> std::optional<Report> {
        if (why) *why = reason;
        return std::nullopt;
    };
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        auto end = text.find('\n');
        if (end == std::string_view::npos) return fail("cut short");
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (lines.size() < 5 || lines[0] != kHeader) return fail("not a crash report");
    if (!lines[1].starts_with("name: ") || !lines[2].starts_with("reason: ") ||
        lines[3] != "frames:")
        return fail("not a crash report");
    if (lines.back() != "end") return fail("cut short");
    Report report;
    report.name = repairedUtf8(lines[1].substr(6));
    report.reason = repairedUtf8(lines[2].substr(8));
    for (std::size_t i = 4; i + 1 < lines.size(); ++i) {
        if (lines[i] == "end") return fail("text after the end");
        report.frames.push_back(repairedUtf8(lines[i]));
    }
    return report;
}

}  // namespace platform
