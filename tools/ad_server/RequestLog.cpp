#include "tools/ad_server/RequestLog.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tools::adserver {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string_view kindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::PageLoad:
            return "page-load";
        case RequestKind::CoreCall:
            return "core-call";
        case RequestKind::AdRequest:
            return "ad-request";
        case RequestKind::FetchedAdRequest:
            return "fetched-ad-request";
        case RequestKind::Impression:
            return "impression";
        case RequestKind::ManualImpression:
            return "manual-impression";
        case RequestKind::ClickTracking:
            return "click-tracking";
        case RequestKind::Click:
            return "click";
        case RequestKind::Landing:
            return "landing";
        case RequestKind::Media:
            return "media";
        case RequestKind::CreativeEvent:
            return "creative-event";
        case RequestKind::Passback:
            return "passback";
        case RequestKind::MediationPing:
            return "mediation-ping";
        case RequestKind::Viewable:
            return "viewable";
        case RequestKind::NativePage:
            return "native-page";
        case RequestKind::NativeImage:
            return "native-image";
        case RequestKind::PerformanceReport:
            return "csi";
        case RequestKind::CrashReport:
            return "crash-report";
        case RequestKind::BadAdReport:
            return "bad-ad-report";
        case RequestKind::MraidAsset:
            return "mraid-asset";
        case RequestKind::TokenRequest:
            return "token";
        case RequestKind::PurchaseReport:
            return "purchase-report";
        case RequestKind::Conversion:
            return "conversion";
        case RequestKind::FileRedirect:
            return "file-redirect";
        case RequestKind::Attachment:
            return "attachment";
        case RequestKind::Unknown:
            return "unknown";
        case RequestKind::Slow:
            return "slow";
        case RequestKind::LargeBody:
            return "large-body";
        case RequestKind::WorkerScript:
            return "worker-script";
        case RequestKind::FramePage:
            return "frame-page";
    }
    return "unknown";
}

std::string logLine(const LoggedRequest& r, std::size_t maxTarget) {
    char number[24];
    std::snprintf(number, sizeof number, "%04llu", static_cast<unsigned long long>(r.sequence));
    std::string line =
        std::string(number) + " " + std::string(kindName(r.kind)) + " " + r.method + " ";
    if (r.target.size() > maxTarget) {
        line += r.target.substr(0, maxTarget) + "...";
    } else {
        line += r.target;
    }
    if (!r.function.empty()) line += " " + r.function;
    if (!r.event.empty()) line += "(" + r.event + ")";
    if (!r.slotname.empty()) line += " unit=" + r.slotname;
    if (r.ad > 0) line += " ad=" + std::to_string(r.ad);
    // A request's content fingerprint, which the SDK sends once the server allowed it.
    if (r.hasParam("content_info"))
        line += " content_info=" + r.param("content_info").substr(0, 120);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return line;
}

std::string LoggedRequest::param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

bool LoggedRequest::hasParam(const std::string& name) const {
    return params.find(name) != params.end();
}

std::string LoggedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) return value;
    }
    return {};
}

std::uint64_t RequestLog::add(LoggedRequest request) {
    Listener listener;
    std::uint64_t sequence;
    {
        std::lock_guard lock(mutex_);
        sequence = nextSequence_++;
        request.sequence = sequence;
        entries_.push_back(request);
        listener = listener_;
    }
    changed_.notify_all();
    if (listener) listener(request);
    return sequence;
}

void RequestLog::setListener(Listener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

std::vector<LoggedRequest> RequestLog::all() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<LoggedRequest> RequestLog::of(RequestKind kind) const {
    std::lock_guard lock(mutex_);
    std::vector<LoggedRequest> out;
    for (const auto& entry : entries_) {
        if (entry.kind == kind) out.push_back(entry);
    }
    return out;
}

std::size_t RequestLog::count(RequestKind kind) const {
    std::lock_guard lock(mutex_);
    return std::size_t(std::count_if(entries_.begin(), entries_.end(),
                                     [kind](const LoggedRequest& r) { return r.kind == kind; }));
}

std::size_t RequestLog::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::optional<LoggedRequest> RequestLog::last(RequestKind kind) const {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->kind == kind) return *it;
    }
    return std::nullopt;
}

void RequestLog::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

bool RequestLog::waitFor(RequestKind kind, std::size_t count,
                         std::chrono::milliseconds limit) const {
    return waitUntil(
        [&](const std::vector<LoggedRequest>& entries) {
            return std::size_t(std::count_if(
                       entries.begin(), entries.end(),
                       [kind](const LoggedRequest& r) { return r.kind == kind; })) >= count;
        },
        limit);
}

bool RequestLog::waitUntil(const std::function<bool(const std::vector<LoggedRequest>&)>& predicate,
                           std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return predicate(entries_); });
}

}  // namespace tools::adserver
