#pragma once

// Leaves a note when the program dies of an uncaught C++ exception (through the terminate
// handler: the exception's demangled type as name, what() as reason) or of a fatal signal
// (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT: the signal's name, its description and the
// faulting address as reason). The next start reads the notes (reportFiles, readReport) and
// does with them what it likes; the crash itself does nothing else.
//
// A dying process can trust little, so the handlers only write: the report's path, its folder
// and the unwinder are prepared at install, and a crash opens a new file there
// (O_CREAT|O_EXCL|O_NOFOLLOW, mode 0600), writes the name, reason and the stack's frames
// (backtrace_symbols_fd; frames carry names where the executable exports its symbols,
// -rdynamic) with plain write calls, takes no lock and allocates nothing (the terminate
// handler asks the C++ runtime for the exception's type and demangles it first: that
// cannot be done later). Signals run on an alternate stack, so an overflowed stack is still
// reported from the installing thread. Only the first crash writes (an atomic one-shot
// guard): the abort that follows an uncaught exception adds no second note.
//
// Then the crash goes on to whatever handler was there at install: its signal action or
// terminate handler is put back and called (the default action ends the process as
// before), so a host's or a sanitizer's own crash handling still runs.
//
// The handlers are process-wide, and so is this class's state: install and uninstall on
// one thread, at start-up and shutdown. Uninstall restores each previous handler that is
// still replaced by ours; a handler someone installed after us stays.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class CrashCapture {
  public:
    struct Report {
        std::string name;
        std::string reason;
        // backtrace_symbols_fd's lines, "module(symbol+0x12)[0x...]", innermost first.
        std::vector<std::string> frames;
    };

    // Report files are read up to this size; a larger one is damaged.
    static constexpr std::size_t kMaxReportBytes = 64 * 1024;
    // Reasons are cut to this many bytes in the file (a what() may be huge).
    static constexpr std::size_t kMaxReasonBytes = 4096;

    // Installs the handlers, writing future reports into `directory` (an existing folder,
    // private to the user: the app's tmp). False when already installed or the folder
    // cannot be opened.
    static bool install(const std::filesystem::path& directory);
    static void uninstall();
    static bool isInstalled();

    // Report files in the folder, oldest name first (regular files of ours only).
    static std::vector<std::filesystem::path> reportFiles(const std::filesystem::path& directory);
    // The report in a file, or nullopt (and why) when it is damaged: unreadable, too large,
    // cut short by a second crash, or not one of ours. Text that is not UTF-8 is repaired.
    static std::optional<Report> readReport(const std::filesystem::path& file,
                                            std::string* why = nullptr);
    static std::optional<Report> parseReport(std::string_view text, std::string* why = nullptr);
};

}  // namespace platform
