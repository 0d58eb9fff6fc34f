#include "ads/foundation/GADCrashReporter.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <stdexcept>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADPinger.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/base/LogSink.h"
#include "platform/base/Unicode.h"
#include "platform/device/DeviceInfo.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/TempDir.h"

namespace ads {

// Outside the unnamed namespace, so the executable exports it and its frame names it.
__attribute__((noinline)) void GADCrashReporterTestFault() {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

namespace {

using platform::CrashCapture;
using tools::adserver::RequestKind;

__attribute__((noinline)) void hostThrows() {
    throw std::runtime_error("-[GADSlot adView]: unrecognized selector sent to instance 0x7f01");
}
// The death-test wrapper catches everything that passes through it; this frame does not.
void throwPastANoexceptFrame() noexcept {
    hostThrows();
}

extern "C" void exitWith42(int) {
    ::_exit(42);
}

mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

CrashCapture::Report report(std::string name, std::string reason, std::vector<std::string> frames) {
    return CrashCapture::Report{std::move(name), std::move(reason), std::move(frames)};
}

// A report file as a crash in the SDK leaves it.
void writeSDKCrash(const std::filesystem::path& file, const std::string& reason) {
    std::ofstream(file) << "movuroute-crash 1\nname: SIGSEGV\nreason: " << reason
                        << "\nframes:\nhost(+0x1)[0x2]\nend\n";
}

std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file moved aside from `file`, or an empty path.
std::filesystem::path asideOf(const std::filesystem::path& file) {
    const std::string prefix = file.filename().string() + ".corrupt-";
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path();
    }
    return {};
}

// Root reads files whatever their mode; without these capabilities it is held to it.
void dropFileAccessOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ::syscall(SYS_capset, &header, data);
}

class GADCrashReporterTest : public ::testing::Test {
  protected:
    void TearDown() override {
        // Whatever a test enabled is put back, so no later test crashes into it.
        if (CrashCapture::isInstalled()) CrashCapture::uninstall();
    }

    // The next start: sends what the crash left and waits for the server to have it.
    tools::adserver::LoggedRequest sendAsTheNextStart() {
        testing::AdServerFixture ads;
        GADDevice::sharedInstance()->cacheStaticParameters();
        auto pinger = GADPinger::create();
        auto reporter = GADCrashReporter::create(pinger, dir.path());
        reporter->enableReporting();
        EXPECT_TRUE(reporter->isCapturing());
        EXPECT_TRUE(CrashCapture::reportFiles(dir.path()).empty());
        EXPECT_TRUE(ads.waitOnMainLoop(RequestKind::CrashReport, 1));
        // Answered: the stored retry goes again.
        EXPECT_TRUE(ads.waitOnMainLoopUntil([&] {
            return pinger->pingsInFlight() == 0 &&
                   pinger->retryStore().group(settings_keys::kCrashReporting).empty();
        }));
        reporter->disableReporting();
        EXPECT_FALSE(CrashCapture::isInstalled());
        EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 1u);
        auto sent =
            ads.log().last(RequestKind::CrashReport).value_or(tools::adserver::LoggedRequest{});
        std::cout << tools::adserver::logLine(sent, 4096) << std::endl;
        return sent;
    }

    testing::AdsTestScope scope;
    platform::testing::TempDir dir;
};

TEST_F(GADCrashReporterTest, OnlyCrashesThatNameTheSDKAreReported) {
    const std::string process = "movuroute";
    // The SDK only in the reason: runs of brackets, signs, colons and blanks become one "_".
    auto trace = GADCrashReporter::stackTrace(
        report("std::runtime_error", "-[GADSlot adView]: unrecognized  selector",
               {"/home/me/bin/movuroute(main+0x1c)[0x5581]", "/lib/libc.so.6(+0x3c050)[0x7f]"}),
        process);
    ASSERT_TRUE(trace);
    EXPECT_EQ(*trace,
              "std::runtime_error-_GADSlot_adView_unrecognized_selector-filtered(main_0x1c)_0x5581_"
              "-libc.so.6(_0x3c050)_0x7f_");

    // A crash of the host alone sends nothing.
    EXPECT_FALSE(GADCrashReporter::stackTrace(
        report("SIGSEGV", "Segmentation fault at 0x10", {"movuroute(_ZN3app4MainEv+0x1)[0x2]"}),
        process));

    // An SDK frame: the reason is "filtered", the program's name and folders are not sent.
    trace = GADCrashReporter::stackTrace(
        report("SIGSEGV", "Segmentation fault at 0x10",
               {"/home/me/movuroute/movuroute(_ZN3ads7GADSlot4loadEv+0x1c)[0x5581]"}),
        process);
    ASSERT_TRUE(trace);
    EXPECT_EQ(*trace, "SIGSEGV-filtered-filtered(_ZN3ads7GADSlot4loadEv_0x1c)_0x5581_");
    // Free functions of the SDK count by their namespace; "3ads" elsewhere does not.
    EXPECT_TRUE(GADCrashReporter::namesSDK("m(_ZN3ads25gad_appendQueryParametersERKv+0x1)"));
    EXPECT_TRUE(GADCrashReporter::namesSDK("m(_ZNK3ads9gad_thingEv+0x1)"));
    EXPECT_TRUE(GADCrashReporter::namesSDK("ZORBannerView"));
    EXPECT_FALSE(GADCrashReporter::namesSDK("m(_ZN13adsomethingEv+0x1)"));
    EXPECT_FALSE(GADCrashReporter::namesSDK("m(_ZN3adsE)"));

    // 800 characters are cut to 500 UTF-16 units, never inside a character.
    std::string reason = "GAD";
    while (platform::utf16Length(reason) < 497) reason += "x";
    reason += "\xF0\x9F\x9A\x97";  // a car: after "n-" it would take units 500 and 501
    reason += std::string(300, 'y');
    trace = GADCrashReporter::stackTrace(report("n", reason, {}), process);
    ASSERT_TRUE(trace);
    EXPECT_EQ(platform::utf16Length(*trace), 499u);
    EXPECT_TRUE(platform::isValidUtf8(*trace));
    EXPECT_EQ(GADCrashReporter::prefixOfUTF16Length("ab\xF0\x9F\x9A\x97", 4), "ab\xF0\x9F\x9A\x97");
    EXPECT_EQ(GADCrashReporter::prefixOfUTF16Length("ab\xF0\x9F\x9A\x97", 3), "ab");

    EXPECT_EQ(GADCrashReporter::cleanedText("a \t\n-+[]:b\xC2\xA0\xE3\x80\x80"
                                            "c"),
              "a_b_c");
    EXPECT_EQ(GADCrashReporter::frameWithoutFolders("/a/b(c)/prog(sym+0x1)[0x2]"),
              "prog(sym+0x1)[0x2]");
    EXPECT_EQ(GADCrashReporter::frameWithoutFolders("[0x2]"), "[0x2]");
}

TEST_F(GADCrashReporterTest, TheReportURL) {
    testing::AdServerFixture ads;
    GADDevice::sharedInstance()->cacheStaticParameters();
    auto reporter = GADCrashReporter::create(nullptr, dir.path());
    auto url = reporter->reportURL(report("n", "GADSlot", {}));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString().rfind(ads.origin() + "/adpage/gen_204?", 0), 0u);
    EXPECT_EQ(url->queryValue("id"), "zmob-apps-report-exception");
    EXPECT_EQ(url->queryValue("stacktrace"), "n-GADSlot");
    EXPECT_FALSE(url->queryValue("eids"));
    for (const char* key : {"os", "appid", "js", "device"}) {
        EXPECT_FALSE(url->queryValue(key).value_or("").empty()) << key;
    }
    EXPECT_TRUE(url->queryValue("api"));
    platform::UserDefaults::standard().setString(settings_keys::kPrefetchExperimentID, "e 1");
    url = reporter->reportURL(report("n", "GADSlot", {}));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->queryValue("eids"), "e 1");
    EXPECT_EQ(url->absoluteString().substr(url->absoluteString().size() - 11), "&eids=e%201");
    EXPECT_FALSE(reporter->reportURL(report("n", "host", {"host(+0x1)[0x2]"})));
}

TEST_F(GADCrashReporterTest, HostCrashesAreDeletedDamagedReportsMovedAsideUnreadableOnesKept) {
    testing::AdServerFixture ads;
    platform::LogSink::Capture logs;
    const std::string cutShort = "movuroute-crash 1\nname: SIGSEGV\nreason: GADSlot\n";
    std::ofstream(dir / "crash-1-1.report") << cutShort;
    writeSDKCrash(dir / "crash-1-2.report", "host");
    // A report of ours in every other way, but far larger than a crash writes.
    writeSDKCrash(dir / "crash-1-3.report", "GADSlot " + std::string(70 * 1024, 'x'));
    const std::string oversized = contentsOf(dir / "crash-1-3.report");
    // Someone's folder where a report was: not ours to judge, so left alone.
    std::filesystem::create_directory(dir / "crash-1-4.report");
    std::ofstream(dir / "notes.txt") << "not ours";
    auto reporter = GADCrashReporter::create(GADPinger::create(), dir.path());
    EXPECT_EQ(reporter->sendPendingReports(), 0u);
    EXPECT_TRUE(CrashCapture::reportFiles(dir.path()).empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "notes.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "crash-1-2.report"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "crash-1-4.report"));
    // The damaged ones are kept aside, whole, where no later start reads them.
    ASSERT_FALSE(asideOf(dir / "crash-1-1.report").empty());
    EXPECT_EQ(contentsOf(asideOf(dir / "crash-1-1.report")), cutShort);
    ASSERT_FALSE(asideOf(dir / "crash-1-3.report").empty());
    EXPECT_EQ(contentsOf(asideOf(dir / "crash-1-3.report")), oversized);
    GADLogFlush();
    EXPECT_TRUE(logs.contains("2 crash report(s) of earlier runs are damaged"));
    EXPECT_EQ(reporter->sendPendingReports(), 0u);
    EXPECT_FALSE(asideOf(dir / "crash-1-1.report").empty());

    // How each kind of file reads.
    using State = GADCrashReporter::FileState;
    EXPECT_EQ(GADCrashReporter::readReportFile(dir / "crash-1-4.report").state, State::Unreadable);
    EXPECT_EQ(GADCrashReporter::readReportFile(dir / "crash-9-9.report").state, State::Gone);
    ASSERT_EQ(::mkfifo((dir / "crash-1-5.report").c_str(), 0600), 0);
    EXPECT_EQ(GADCrashReporter::readReportFile(dir / "crash-1-5.report").state, State::Damaged);
    writeSDKCrash(dir / "crash-1-6.report", "GADSlot");
    auto read = GADCrashReporter::readReportFile(dir / "crash-1-6.report");
    EXPECT_EQ(read.state, State::Report);
    ASSERT_TRUE(read.report);
    EXPECT_EQ(read.report->reason, "GADSlot");
    EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 0u);

    // Disabled for good: enabling afterwards installs nothing.
    reporter->disableReporting();
    reporter->enableReporting();
    EXPECT_FALSE(reporter->isCapturing());
    EXPECT_FALSE(CrashCapture::isInstalled());
    EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 0u);
}

TEST_F(GADCrashReporterTest, AReportThatCannotBeReadNowIsKeptAsItIs) {
    auto pinger = GADPinger::create();
    const auto file = dir / "crash-1700000000-1.report";
    writeSDKCrash(file, "GADSlot");
    const std::string text = contentsOf(file);
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    // In a process held to the file's mode (tests may run as root), the next start.
    EXPECT_EXIT(
        {
            dropFileAccessOverride();
            if (std::ifstream(file).good()) ::_exit(3);  // still readable: nothing tested
            const auto sent = GADCrashReporter::create(pinger, dir.path())->sendPendingReports();
            const bool kept = std::filesystem::exists(file) && asideOf(file).empty();
            ::_exit(sent == 0 && kept ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(contentsOf(file), text);
    EXPECT_TRUE(pinger->retryStore().group(settings_keys::kCrashReporting).empty());
}

TEST_F(GADCrashReporterTest, APlantedFloodOfReportsSendsEachTextOnceAndAtMostTheCap) {
    testing::AdServerFixture ads;
    GADDevice::sharedInstance()->cacheStaticParameters();
    platform::LogSink::Capture logs;
    // 3,000 identical reports (a crash loop, or planted), then 20 different ones; names sort
    // oldest first.
    for (int i = 0; i < 3000; ++i)
        writeSDKCrash(dir / ("crash-1700000000-" + std::to_string(10000 + i) + ".report"),
                      "GADSlot again");
    std::vector<std::filesystem::path> distinct;
    for (int i = 0; i < 20; ++i) {
        distinct.push_back(dir / ("crash-1700000001-" + std::to_string(10000 + i) + ".report"));
        writeSDKCrash(distinct.back(), "GADSlot " + std::to_string(i));
    }
    auto pinger = GADPinger::create();
    auto reporter = GADCrashReporter::create(pinger, dir.path());
    EXPECT_EQ(reporter->sendPendingReports(), GADCrashReporter::kMaxReportsPerStart);
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        return pinger->pingsInFlight() == 0 &&
               pinger->retryStore().group(settings_keys::kCrashReporting).empty();
    }));
    // The repeated text once, nine different ones, and of the eleven over the cap the newest
    // five wait for the next start.
    EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 10u);
    std::size_t again = 0;
    for (const auto& request : ads.log().of(RequestKind::CrashReport))
        again += request.param("stacktrace").find("GADSlot_again") != std::string::npos;
    EXPECT_EQ(again, 1u);
    EXPECT_EQ(CrashCapture::reportFiles(dir.path()),
              std::vector<std::filesystem::path>(distinct.end() - 5, distinct.end()));
    GADLogFlush();
    EXPECT_TRUE(logs.contains(
        "2999 crash report(s) of earlier runs repeat one on its way already; not sent again."));
    EXPECT_TRUE(
        logs.contains("11 crash report(s) of earlier runs are over the 10 a start sends: "
                      "5 wait for the next start, 6 are deleted unsent."));

    // The next start sends those five.
    EXPECT_EQ(reporter->sendPendingReports(), 5u);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::CrashReport, 15));
    EXPECT_TRUE(CrashCapture::reportFiles(dir.path()).empty());

    // A report waiting in the retry group already is not sent a second time.
    auto url = reporter->reportURL(report("SIGSEGV", "GADSlot waiting", {"host(+0x1)[0x2]"}));
    ASSERT_TRUE(url);
    ASSERT_TRUE(pinger->storeRetryURLString(url->absoluteString(), settings_keys::kCrashReporting));
    writeSDKCrash(dir / "crash-1700000002-1.report", "GADSlot waiting");
    EXPECT_EQ(reporter->sendPendingReports(), 0u);
    EXPECT_TRUE(CrashCapture::reportFiles(dir.path()).empty());
    pinger->sync([] {});
    EXPECT_TRUE(ads.waitOnMainLoopUntil([&] { return pinger->pingsInFlight() == 0; }));
    EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 15u);
}

TEST_F(GADCrashReporterTest, AReportTheFullRetryGroupCannotTakeWaitsUntilTheServerHasIt) {
    testing::AdServerFixture ads;
    GADDevice::sharedInstance()->cacheStaticParameters();
    auto pinger = GADPinger::create();
    ASSERT_EQ(pinger->maximumRetryURLCount(), 10);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(pinger->storeRetryURLString("http://127.0.0.1:1/old/" + std::to_string(i),
                                                settings_keys::kCrashReporting));
    }
    // Seven runs crashed in the SDK; names sort oldest first.
    std::vector<std::filesystem::path> files;
    for (int run = 1; run <= 7; ++run) {
        files.push_back(dir / ("crash-170000000" + std::to_string(run) + "-1.report"));
        std::ofstream(files.back()) << "movuroute-crash 1\nname: SIGSEGV\nreason: GADSlot " << run
                                    << "\nframes:\nhost(+0x1)[0x2]\nend\n";
    }
    auto reporter = GADCrashReporter::create(pinger, dir.path());
    auto sendAndWait = [&] {
        const std::size_t sent = reporter->sendPendingReports();
        pinger->sync([] {});
        EXPECT_TRUE(ads.waitOnMainLoopUntil([&] { return pinger->pingsInFlight() == 0; }));
        return sent;
    };

    // The server refuses: the newest five stay for the next start, the two oldest had their
    // one try. The stored records are not touched.
    ::setenv(kGADAdServerVariable, ads.server().refusedOrigin().c_str(), 1);
    EXPECT_EQ(sendAndWait(), 7u);
    EXPECT_EQ(CrashCapture::reportFiles(dir.path()),
              std::vector<std::filesystem::path>(files.begin() + 2, files.end()));
    EXPECT_EQ(pinger->retryStore().group(settings_keys::kCrashReporting).size(), 10u);
    EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 0u);

    // The next start reaches the server: one report takes the room a record left, the others
    // go straight out, and every file goes once its report is there.
    ::setenv(kGADAdServerVariable, ads.origin().c_str(), 1);
    pinger->retryStore().remove("http://127.0.0.1:1/old/0", settings_keys::kCrashReporting);
    EXPECT_EQ(sendAndWait(), 5u);
    EXPECT_TRUE(CrashCapture::reportFiles(dir.path()).empty());
    EXPECT_EQ(ads.log().count(RequestKind::CrashReport), 5u);
    const auto group = pinger->retryStore().group(settings_keys::kCrashReporting);
    EXPECT_EQ(group.size(), 9u);
    EXPECT_EQ(group.count("http://127.0.0.1:1/old/0"), 0u);
}

TEST_F(GADCrashReporterTest, TheSDKsStartUpStartsThePingerAndTheCapture) {
    GADApplication::sharedInstance()->runEarlyActivities();
    EXPECT_TRUE(GADPinger::sharedInstance()->isStarted());
    auto reporter = GADCrashReporter::sharedInstance();
    EXPECT_TRUE(reporter->isCapturing());
    EXPECT_TRUE(CrashCapture::isInstalled());
    EXPECT_EQ(reporter->reportsDirectory(), platform::AppPaths::tmp() / "crash-reports");
    reporter->disableReporting();
    EXPECT_FALSE(CrashCapture::isInstalled());
}

TEST_F(GADCrashReporterTest, ASegfaultInTheSDKIsSentByTheNextStart) {
    EXPECT_EXIT(
        {
            struct sigaction host {};
            host.sa_handler = exitWith42;
            sigemptyset(&host.sa_mask);
            ::sigaction(SIGSEGV, &host, nullptr);
            GADCrashReporter::create(nullptr, dir.path())->enableReporting();
            GADCrashReporterTestFault();
        },
        ::testing::ExitedWithCode(42), "");
    auto files = CrashCapture::reportFiles(dir.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(modeOf(files[0]), 0600u);

    auto sent = sendAsTheNextStart();
    EXPECT_EQ(sent.param("id"), "zmob-apps-report-exception");
    EXPECT_EQ(sent.param("device"), platform::DeviceInfo::model());
    EXPECT_EQ(sent.param("os"), GADDevice::sharedInstance()->systemVersion());
    const std::string trace = sent.param("stacktrace");
    EXPECT_EQ(trace.rfind("SIGSEGV-filtered-", 0), 0u) << trace;
    EXPECT_NE(trace.find("GADCrashReporterTestFault"), std::string::npos) << trace;
    EXPECT_EQ(trace.find(program_invocation_short_name), std::string::npos) << trace;
    EXPECT_EQ(trace.find('/'), std::string::npos) << trace;
}

TEST_F(GADCrashReporterTest, AnUncaughtExceptionNamingTheSDKIsSentByTheNextStart) {
    EXPECT_EXIT(
        {
            std::set_terminate([] { ::_exit(43); });
            GADCrashReporter::create(nullptr, dir.path())->enableReporting();
            throwPastANoexceptFrame();
        },
        ::testing::ExitedWithCode(43), "");
    auto files = CrashCapture::reportFiles(dir.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(modeOf(files[0]), 0600u);

    auto sent = sendAsTheNextStart();
    EXPECT_EQ(
        sent.param("stacktrace")
            .rfind(
                "std::runtime_error-_GADSlot_adView_unrecognized_selector_sent_to_instance_0x7f01-",
                0),
        0u)
        << sent.param("stacktrace");
}

}  // namespace
}  // namespace ads
