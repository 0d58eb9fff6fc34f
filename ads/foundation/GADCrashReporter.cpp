#include "ads/foundation/GADCrashReporter.h"

#include <errno.h>

#include <algorithm>
#include <ctime>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADPinger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "platform/base/Unicode.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/FileBytes.h"
#include "platform/storage/StorageError.h"

namespace ads {

namespace {

using platform::CrashCapture;

constexpr const char* kFiltered = "filtered";
constexpr const char* kReportsFolder = "crash-reports";

bool isCleaned(char32_t c) {
    switch (c) {
        case '-':
        case '+':
        case '[':
        case ']':
        case ':':
        // White space: the ASCII controls, NEL and the Unicode space separators.
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
        case ' ':
        case 0x85:
        case 0xa0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202f:
        case 0x205f:
        case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200a;
    }
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) return;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

// Every symbol of the SDK lies in namespace ads: its mangled nested names start "N3ads"
// (after the qualifiers r, V, K, R, O), then the next name's length. That marks the SDK's
// free functions and lambdas, whose own names carry no "GAD".
bool namesSDKNamespace(std::string_view text) {
    for (std::size_t at = text.find('N'); at != std::string_view::npos;
         at = text.find('N', at + 1)) {
        std::size_t i = at + 1;
        while (i < text.size() && std::string_view("rVKRO").find(text[i]) != std::string_view::npos)
            ++i;
        if (text.substr(i, 4) == "3ads" && i + 4 < text.size() && text[i + 4] >= '0' &&
            text[i + 4] <= '9') {
            return true;
        }
    }
    return false;
}

}  // namespace

std::shared_ptr<GADCrashReporter> GADCrashReporter::sharedInstance() {
    // Never released: the capture it installs lasts as long as the process.
    static auto* instance =
        new std::shared_ptr<GADCrashReporter>(create(GADPinger::sharedInstance()));
    return *instance;
}

std::shared_ptr<GADCrashReporter> GADCrashReporter::create(std::shared_ptr<GADPinger> pinger,
                                                           std::filesystem::path reportsDirectory) {
    return std::make_shared<GADCrashReporter>(Private{}, std::move(pinger),
                                              std::move(reportsDirectory));
}

GADCrashReporter::GADCrashReporter(Private, std::shared_ptr<GADPinger> pinger,
                                   std::filesystem::path reportsDirectory)
    : pinger_(std::move(pinger)), reportsDirectory_(std::move(reportsDirectory)) {}

std::filesystem::path GADCrashReporter::reportsDirectory() const {
    if (!reportsDirectory_.empty()) return reportsDirectory_;
    std::string why;
    auto tmp = platform::AppPaths::privateTmp(&why);
    if (!tmp) {
        GADLog("Crash reports are off: %s", why.c_str());
        return {};
    }
    const std::filesystem::path folder = *tmp / kReportsFolder;
    if (!platform::AppPaths::ensureDirectory(folder, 0700, &why, true)) {
        GADLog("Crash reports are off: %s", why.c_str());
        return {};
    }
    return folder;
}

void GADCrashReporter::enableReporting() {
    if (!enabled_ || capturing_) return;
    const std::filesystem::path folder = reportsDirectory();
    if (folder.empty()) return;
    if (!sentPending_) {
        sentPending_ = true;
        sendPendingReports();
    }
    if (CrashCapture::isInstalled()) {
        GADLog("Crash capture is already installed; the SDK's reporter leaves it be.");
        return;
    }
    capturing_ = CrashCapture::install(folder);
}

void GADCrashReporter::disableReporting() {
    enabled_ = false;
    if (!capturing_) return;
    CrashCapture::uninstall();
    capturing_ = false;
}

std::size_t GADCrashReporter::sendPendingReports() {
    const std::filesystem::path folder = reportsDirectory();
    if (folder.empty() || !pinger_) return 0;
    // Texts on their way already: those the retry group holds, and (by digest) those sent now.
    const auto waiting = pinger_->retryStore().group(settings_keys::kCrashReporting);
    std::unordered_set<std::string> sentDigests;
    std::size_t sent = 0;
    std::size_t repeated = 0;
    std::size_t unreadable = 0;
    std::size_t damaged = 0;
    std::string unreadableWhy;
    std::string damagedWhy;
    // Reports the retry group had no room for, and those over this start's cap; oldest first.
    std::vector<std::pair<std::filesystem::path, platform::Url>> unstored;
    std::vector<std::filesystem::path> overCap;
    for (const auto& file : CrashCapture::reportFiles(folder)) {
        ReadFile read = readReportFile(file);
        if (read.state == FileState::Gone) continue;
        if (read.state == FileState::Unreadable) {
            if (unreadable++ == 0) unreadableWhy = read.why;
            continue;
        }
        if (read.state == FileState::Damaged) {
            if (damaged++ == 0) damagedWhy = read.why;
            moveAside(file, read.why);
            continue;
        }
        auto url = reportURL(*read.report);
        if (!url) {
            removeReportFile(file);
            continue;
        }
        const std::string text = url->absoluteString();
        if (waiting.count(text) != 0 || !sentDigests.insert(gad_MD5String(text)).second) {
            // The same report is on its way already: this file adds nothing.
            ++repeated;
            removeReportFile(file);
            continue;
        }
        if (sent == kMaxReportsPerStart) {
            overCap.push_back(file);
            continue;
        }
        ++sent;
        // On disk before the file goes: a report is never lost between the two.
        if (pinger_->storeRetryURLString(text, settings_keys::kCrashReporting)) {
            pinger_->pingWithRetryGroupKey(settings_keys::kCrashReporting, *url, text);
            removeReportFile(file);
        } else {
            unstored.emplace_back(file, *url);
        }
    }
    // A full group means the server has been out of reach for a while, and every run that
    // crashes meanwhile adds a file: only the newest few wait for a later start, so the folder
    // stays small. The older ones get one try, as the group would have given them.
    const std::size_t keep = std::min(unstored.size(), kMaxWaitingReports);
    for (std::size_t i = 0; i < unstored.size(); ++i) {
        auto& [file, url] = unstored[i];
        if (i + keep < unstored.size()) {
            pinger_->pingURLString(url.absoluteString(), [](bool) {});
            removeReportFile(file);
            continue;
        }
        // Kept until the server has it; a failed try leaves it for the next start.
        pinger_->pingURLString(url.absoluteString(), [file = file](bool success) {
            if (success) removeReportFile(file);
        });
    }
    // Over the cap the same holds: the newest few wait, unsent, the others go unsent.
    const std::size_t wait = std::min(overCap.size(), kMaxWaitingReports);
    for (std::size_t i = 0; i + wait < overCap.size(); ++i) removeReportFile(overCap[i]);

    if (repeated != 0) {
        GADLog("%zu crash report(s) of earlier runs repeat one on its way already; not sent again.",
               repeated);
    }
    if (!overCap.empty()) {
        GADLog(
            "%zu crash report(s) of earlier runs are over the %zu a start sends: %zu wait for "
            "the next start, %zu are deleted unsent.",
            overCap.size(), kMaxReportsPerStart, wait, overCap.size() - wait);
    }
    if (unreadable != 0) {
        GADLog("%zu crash report(s) of earlier runs cannot be read now (%s); they are kept.",
               unreadable, unreadableWhy.c_str());
    }
    if (damaged != 0) {
        GADLog("%zu crash report(s) of earlier runs are damaged (%s); they are not sent.", damaged,
               damagedWhy.c_str());
    }
    return sent;
}

GADCrashReporter::ReadFile GADCrashReporter::readReportFile(const std::filesystem::path& file) {
    ReadFile read;
    auto fail = [&read](FileState state, std::string why) {
        read.state = state;
        read.why = std::move(why);
        return read;
    };
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found) return fail(FileState::Gone, "");
    if (ec) return fail(FileState::Unreadable, ec.message());
    // A folder is no damage of the file's own: someone put it there, and it may go again.
    if (status.type() == std::filesystem::file_type::directory)
        return fail(FileState::Unreadable, "a folder stands in its place");
    if (status.type() != std::filesystem::file_type::regular)
        return fail(FileState::Damaged, "not a regular file");
    // Judged before reading, so a huge file is never read into memory.
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > CrashCapture::kMaxReportBytes)
        return fail(FileState::Damaged, "larger than 64 KiB");
    platform::Error error;
    auto bytes = platform::FileBytes::read(file, &error);
    if (!bytes) {
        if (error.code == platform::StorageError::kFileReadNoSuchFile)
            return fail(FileState::Gone, "");
        return fail(platform::StorageError::isDamagedFile(error.code) ? FileState::Damaged
                                                                      : FileState::Unreadable,
                    error.localizedDescription());
    }
    if (bytes->size() > CrashCapture::kMaxReportBytes)
        return fail(FileState::Damaged, "larger than 64 KiB");
    std::string why;
    read.report = CrashCapture::parseReport(*bytes, &why);
    if (!read.report) return fail(FileState::Damaged, why);
    read.state = FileState::Report;
    return read;
}

void GADCrashReporter::moveAside(const std::filesystem::path& file, const std::string& why) {
    // Kept for a look, under a name no later start reads as a report.
    std::string error;
    if (!platform::AtomicFile::moveAside(file, &error)) {
        GADLog("A damaged crash report (%s) cannot be moved aside: %s", why.c_str(), error.c_str());
    }
}

void GADCrashReporter::removeReportFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::remove(file, ec) && ec) {
        GADLog("A crash report could not be removed: %s", ec.message().c_str());
    }
}

std::optional<platform::Url> GADCrashReporter::reportURL(const CrashCapture::Report& report) const {
    auto trace = stackTrace(report, program_invocation_short_name);
    if (!trace) return std::nullopt;
    auto application = GADApplication::sharedInstance();
    auto device = GADDevice::sharedInstance();
    platform::Value::Dictionary parameters{
        {"os", platform::Value(device->systemVersion())},
        {"js", platform::Value(GADRequest::sdkVersion())},
        {"device", platform::Value(device->deviceModel())},
        {"appid", platform::Value(application->mainBundleIdentifier())},
        {"api", platform::Value(application->version())},
        {"stacktrace", platform::Value(*trace)},
        {"id", platform::Value(kReportID)},
    };
    auto url = gad_appendQueryParameters(GADAdServerURL(kReportPath), parameters);
    if (!url) return std::nullopt;
    // Last, after the others.
    if (auto experiment = GADSettings().prefetchExperimentID()) {
        if (auto withExperiment =
                gad_appendQueryParameters(*url, {{"eids", platform::Value(*experiment)}})) {
            url = withExperiment;
        }
    }
    return url;
}

// --- the report's text ---

std::optional<std::string> GADCrashReporter::stackTrace(const CrashCapture::Report& report,
                                                        std::string_view processName) {
    std::string trace = report.name;
    bool involved = false;
    const std::string reason = cleanedText(report.reason);
    if (namesSDK(reason)) {
        involved = true;
        trace += "-" + reason;
    } else {
        trace += std::string("-") + kFiltered;
    }
    for (const std::string& line : report.frames) {
        std::string frame = frameWithoutFolders(line);
        replaceAll(frame, processName, kFiltered);
        if (namesSDK(frame)) involved = true;
        trace += "-" + cleanedText(frame);
    }
    if (!involved) return std::nullopt;
    return prefixOfUTF16Length(trace, kMaxStackTraceLength);
}

bool GADCrashReporter::namesSDK(std::string_view text) {
    return text.find("GAD") != std::string_view::npos ||
           text.find("ZOR") != std::string_view::npos || namesSDKNamespace(text);
}

std::string GADCrashReporter::cleanedText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    bool inRun = false;
    for (char32_t c : platform::utf8ToUtf32(text)) {
        if (isCleaned(c)) {
            if (!inRun) result += '_';
            inRun = true;
        } else {
            platform::appendUtf8(result, c);
            inRun = false;
        }
    }
    return result;
}

std::string GADCrashReporter::frameWithoutFolders(std::string_view frame) {
    // "module(symbol+offset)[address]": symbols never hold "(" or "[", so the module ends at
    // the last "(" before the last "["; a folder name may hold either.
    std::size_t end = frame.rfind('[');
    if (end == std::string_view::npos) end = frame.size();
    const std::size_t paren = frame.substr(0, end).rfind('(');
    if (paren != std::string_view::npos) end = paren;
    const std::size_t slash = frame.substr(0, end).rfind('/');
    if (slash == std::string_view::npos) return std::string(frame);
    return std::string(frame.substr(slash + 1));
}

std::string GADCrashReporter::prefixOfUTF16Length(std::string_view text, std::size_t units) {
    std::size_t counted = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t length = platform::utf8SequenceLength(text, at);
        if (length == 0) length = 1;  // a stray byte counts as one replacement character
        const std::size_t width = length == 4 ? 2 : 1;
        if (counted + width > units) break;
        counted += width;
        at += length;
    }
    return std::string(text.substr(0, at));
}

}  // namespace ads
