#pragma once

// Reports crashes in which the ads SDK is involved to the ad server's "/adpage/gen_204", and
// only those: a report goes out when the crash's reason or one of its frames names the SDK
// ("GAD" or "ZOR", or a frame in the SDK's namespace), with the program's own name replaced by
// "filtered" and without the folders the program lives in, so nothing of the host application
// leaves the device.
//
// The crash itself only leaves a file (platform::CrashCapture: no lock, no allocation, no user
// defaults) and goes on to the handler that was there before. The next start does the rest:
// enableReporting() turns each file of an earlier run into a report, stores it in the pinger's
// retry group "/zivivu/ads/crash_reporting" (on disk before the file goes), pings it and then
// deletes the file. A report the full group cannot take is pinged, and its file goes only once
// the server has it: the newest kMaxWaitingReports such files wait for the next start. Then it
// installs the capture.
//
// The folder is untrusted, and a crash loop fills it: at most kMaxReportsPerStart reports go
// out per start, and a report whose text was sent already (this start, or waits in the retry
// group) is not sent again - its file just goes. Of the reports over the cap the newest
// kMaxWaitingReports wait for the next start, older ones are deleted unsent (a log line says
// how many). A file that cannot be read now (permissions, I/O, a folder in its place) may be
// fine later and is kept as it is; a damaged one (not a report of ours, larger than
// CrashCapture::kMaxReportBytes, no regular file) is moved aside as "<file>.corrupt-<time>",
// which no later start reads again.
//
// Main thread, at start-up (the SDK's start-up step 6) and shutdown. The reporter holds its
// pinger.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Url.h"
#include "platform/runtime/CrashCapture.h"

namespace ads {

class GADPinger;

class GADCrashReporter {
  public:
    static constexpr const char* kReportPath = "/adpage/gen_204";
    static constexpr const char* kReportID = "zmob-apps-report-exception";
    // In UTF-16 units, as the server counts.
    static constexpr std::size_t kMaxStackTraceLength = 500;
    // Files whose reports neither the retry group took nor the server answered, kept for the
    // next start; older ones beyond these are tried once and deleted.
    static constexpr std::size_t kMaxWaitingReports = 5;
    // Reports sent by one start: the size of the crash reports' retry group by default, so a
    // start's reports fit it, and few enough that a folder a crash loop (or anyone) filled
    // never turns into a flood of pings.
    static constexpr std::size_t kMaxReportsPerStart = 10;

    // How a report file of an earlier run reads.
    enum class FileState { Report, Unreadable, Damaged, Gone };
    struct ReadFile {
        FileState state = FileState::Gone;
        std::optional<platform::CrashCapture::Report> report;
        std::string why;
    };
    static ReadFile readReportFile(const std::filesystem::path& file);

    static std::shared_ptr<GADCrashReporter> sharedInstance();
    // A reporter of its own (tests): reports through the given pinger, files in the given
    // folder (the app's private tmp's "crash-reports" when empty).
    static std::shared_ptr<GADCrashReporter> create(std::shared_ptr<GADPinger> pinger,
                                                    std::filesystem::path reportsDirectory = {});
    GADCrashReporter(const GADCrashReporter&) = delete;
    GADCrashReporter& operator=(const GADCrashReporter&) = delete;

    // Once: sends what earlier runs left, then captures this run's crashes. Nothing after
    // disableReporting().
    void enableReporting();
    // For good: puts the previous handlers back.
    void disableReporting();
    bool isEnabled() const { return enabled_; }
    bool isCapturing() const { return capturing_; }

    // The reports of earlier runs, sent and deleted (see above for those the retry group has
    // no room for); answers how many were sent.
    std::size_t sendPendingReports();
    // Where crashes are captured; empty when the private tmp folder is not ours.
    std::filesystem::path reportsDirectory() const;

    // The report's URL, or nothing when the SDK is not involved.
    std::optional<platform::Url> reportURL(const platform::CrashCapture::Report& report) const;

    // The report's "stacktrace": name, cleaned reason (or "filtered") and cleaned frames
    // joined with "-", cut to kMaxStackTraceLength; nothing when the SDK is not involved.
    static std::optional<std::string> stackTrace(const platform::CrashCapture::Report& report,
                                                 std::string_view processName);
    // Every run of white space, "-", "+", "[", "]" and ":" becomes one "_".
    static std::string cleanedText(std::string_view text);
    // "/path/to/module(symbol+0x1)[0x2]" as "module(symbol+0x1)[0x2]".
    static std::string frameWithoutFolders(std::string_view frame);
    static bool namesSDK(std::string_view text);
    // The longest head of at most `units` UTF-16 units that ends between characters.
    static std::string prefixOfUTF16Length(std::string_view text, std::size_t units);

  private:
    struct Private {};

  public:
    GADCrashReporter(Private, std::shared_ptr<GADPinger> pinger,
                     std::filesystem::path reportsDirectory);

  private:
    static void removeReportFile(const std::filesystem::path& file);
    static void moveAside(const std::filesystem::path& file, const std::string& why);

    const std::shared_ptr<GADPinger> pinger_;
    const std::filesystem::path reportsDirectory_;
    bool enabled_ = true;
    bool capturing_ = false;
    bool sentPending_ = false;
};

}  // namespace ads
