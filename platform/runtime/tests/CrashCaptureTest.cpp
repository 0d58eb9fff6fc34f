#include "platform/runtime/CrashCapture.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "platform/testing/TempDir.h"

namespace platform {

// Outside the unnamed namespace, so the executable exports them and the frames name them.
__attribute__((noinline)) void crashCaptureTestFaultHere() {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    // A real fault: the sanitizers see an ordinary mapped address and let the write go.
    *static_cast<volatile int*>(page) = 1;
}

__attribute__((noinline)) void crashCaptureTestThrowHere() {
    throw std::runtime_error("GADSlot could not load\nits ad");
}

namespace {

using testing::TempDir;

mode_t modeOf(const std::filesystem::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool anyFrameNames(const CrashCapture::Report& report, const std::string& function) {
    for (const auto& frame : report.frames)
        if (frame.find(function) != std::string::npos) return true;
    return false;
}

// The escape that makes the exception uncaught: the death-test wrapper catches everything
// that passes through it.
void throwPastANoexceptFrame() noexcept {
    crashCaptureTestThrowHere();
}

// The handler a host program had before us; its exit code proves it still ran.
extern "C" void exitWith42(int) {
    ::_exit(42);
}
extern "C" void exitWith44(int) {
    ::_exit(44);
}

void installHostHandler(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(number, &action, nullptr);
}

bool writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

CrashCapture::Report onlyReport(const std::filesystem::path& dir) {
    auto files = CrashCapture::reportFiles(dir);
    EXPECT_EQ(files.size(), 1u);
    if (files.empty()) return {};
    EXPECT_EQ(modeOf(files[0]), 0600u);
    std::string why;
    auto report = CrashCapture::readReport(files[0], &why);
    EXPECT_TRUE(report) << why;
    return report.value_or(CrashCapture::Report{});
}

TEST(CrashCaptureDeathTest, AFaultLeavesOnePrivateReportAndReachesThePreviousHandler) {
    TempDir dir;
    EXPECT_EXIT(
        {
            installHostHandler(SIGSEGV, exitWith42);
            CrashCapture::install(dir.path());
            crashCaptureTestFaultHere();
        },
        ::testing::ExitedWithCode(42), "");
    auto report = onlyReport(dir.path());
    EXPECT_EQ(report.name, "SIGSEGV");
    EXPECT_TRUE(report.reason.starts_with("Segmentation fault at 0x")) << report.reason;
    EXPECT_TRUE(anyFrameNames(report, "crashCaptureTestFaultHere"));
}

TEST(CrashCaptureDeathTest, TheSanitizersOwnFaultHandlerStillReports) {
    // AddressSanitizer puts its SIGSEGV handler in place before main; it is the one found at
    // install, so it still prints its report and ends the process with its exit code.
    TempDir dir;
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EXIT(
        {
            CrashCapture::install(dir.path());
            crashCaptureTestFaultHere();
        },
        ::testing::ExitedWithCode(1), "AddressSanitizer: SEGV");
#else
    EXPECT_EXIT(
        {
            CrashCapture::install(dir.path());
            crashCaptureTestFaultHere();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
#endif
    EXPECT_EQ(onlyReport(dir.path()).name, "SIGSEGV");
}

TEST(CrashCaptureDeathTest, AnUncaughtExceptionIsNamedByItsTypeAndReachesThePreviousHandler) {
    TempDir dir;
    EXPECT_EXIT(
        {
            std::set_terminate([] { ::_exit(43); });
            CrashCapture::install(dir.path());
            throwPastANoexceptFrame();
        },
        ::testing::ExitedWithCode(43), "");
    auto report = onlyReport(dir.path());
    EXPECT_EQ(report.name, "std::runtime_error");
    // A line break in what() cannot end the line early.
    EXPECT_EQ(report.reason, "GADSlot could not load its ad");
    EXPECT_FALSE(report.frames.empty());
}

TEST(CrashCaptureDeathTest, TheAbortAfterAnUncaughtExceptionAddsNoSecondReport) {
    TempDir dir;
    EXPECT_EXIT(
        {
            installHostHandler(SIGABRT, exitWith44);
            CrashCapture::install(dir.path());
            throwPastANoexceptFrame();
        },
        ::testing::ExitedWithCode(44), "terminate called after throwing");
    EXPECT_EQ(onlyReport(dir.path()).name, "std::runtime_error");
}

TEST(CrashCaptureTest, UninstallPutsBackWhatWasThereAndLeavesLaterHandlers) {
    TempDir dir;
    installHostHandler(SIGBUS, exitWith42);
    struct sigaction before {};
    ::sigaction(SIGBUS, nullptr, &before);
    std::terminate_handler terminateBefore = std::get_terminate();

    EXPECT_FALSE(CrashCapture::install(dir / "missing"));
    EXPECT_FALSE(CrashCapture::isInstalled());
    ASSERT_TRUE(CrashCapture::install(dir.path()));
    EXPECT_FALSE(CrashCapture::install(dir.path()));
    struct sigaction during {};
    ::sigaction(SIGBUS, nullptr, &during);
    EXPECT_NE(during.sa_handler, before.sa_handler);
    EXPECT_NE(std::get_terminate(), terminateBefore);
    // Someone takes SIGFPE after us: theirs stays.
    installHostHandler(SIGFPE, exitWith44);

    CrashCapture::uninstall();
    EXPECT_FALSE(CrashCapture::isInstalled());
    struct sigaction after {};
    ::sigaction(SIGBUS, nullptr, &after);
    EXPECT_EQ(after.sa_handler, &exitWith42);
    EXPECT_EQ(std::get_terminate(), terminateBefore);
    ::sigaction(SIGFPE, nullptr, &after);
    EXPECT_EQ(after.sa_handler, &exitWith44);
    // Installing again works, and nothing was written on the way.
    ASSERT_TRUE(CrashCapture::install(dir.path()));
    CrashCapture::uninstall();
    EXPECT_TRUE(CrashCapture::reportFiles(dir.path()).empty());
}

TEST(CrashCaptureTest, ReportsOfEarlierRunsAreReadWithCare) {
    const std::string good =
        "movuroute-crash 1\nname: SIGSEGV\nreason: Segmentation fault at 0x10\nframes:\n"
        "movuroute(_ZN3ads7GADSlot4loadEv+0x1c)[0x5581]\nlibc.so.6(+0x3c050)[0x7f]\nend\n";
    auto report = CrashCapture::parseReport(good);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->name, "SIGSEGV");
    EXPECT_EQ(report->reason, "Segmentation fault at 0x10");
    ASSERT_EQ(report->frames.size(), 2u);
    EXPECT_EQ(report->frames[0], "movuroute(_ZN3ads7GADSlot4loadEv+0x1c)[0x5581]");

    // Damaged: cut short by a second crash, someone else's file, text after the end.
    std::string why;
    EXPECT_FALSE(CrashCapture::parseReport(good.substr(0, good.size() - 4), &why));
    EXPECT_EQ(why, "cut short");
    EXPECT_FALSE(CrashCapture::parseReport(good.substr(0, good.size() - 1), &why));
    EXPECT_FALSE(CrashCapture::parseReport("movuroute-crash 2" + good.substr(17), &why));
    EXPECT_EQ(why, "not a crash report");
    EXPECT_FALSE(CrashCapture::parseReport(good + "end\n", &why));
    EXPECT_FALSE(CrashCapture::parseReport("", &why));
    EXPECT_FALSE(CrashCapture::parseReport("movuroute-crash 1\nname: x\nend\n", &why));
    // Broken text is repaired, never passed on raw.
    auto odd =
        CrashCapture::parseReport("movuroute-crash 1\nname: \xff\xfe\nreason: ok\nframes:\nend\n");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->name, "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(odd->frames.empty());

    // Files: only ours, only plain files, none larger than 64 KiB.
    TempDir dir;
    ASSERT_TRUE(writeFile(dir / "crash-1-2.report", good));
    ASSERT_TRUE(writeFile(dir / "crash-1-3.report",
                          good + std::string(CrashCapture::kMaxReportBytes, 'x')));
    ASSERT_TRUE(writeFile(dir / "notes.txt", good));
    std::filesystem::create_symlink(dir / "crash-1-2.report", dir / "crash-1-4.report");
    auto files = CrashCapture::reportFiles(dir.path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "crash-1-2.report");
    EXPECT_TRUE(CrashCapture::readReport(files[0]));
    EXPECT_FALSE(CrashCapture::readReport(files[1], &why));
    EXPECT_EQ(why, "larger than 64 KiB");
    EXPECT_FALSE(CrashCapture::readReport(dir / "crash-1-4.report", &why));
    EXPECT_FALSE(CrashCapture::readReport(dir / "crash-1-9.report", &why));
}

}  // namespace
}  // namespace platform
