#include "platform/net/TransferDriver.h"

#include <curl/curl.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "platform/net/CurlSupport.h"

namespace platform {

namespace {

// Descriptors of the process that a child would inherit, apart from the standard three.
std::set<int> inheritableDescriptors() {
    std::set<int> found;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == ::dirfd(dir)) continue;
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC)) found.insert(fd);
    }
    ::closedir(dir);
    return found;
}

bool isLocalStreamSocket(int fd) {
    int domain = 0, type = 0;
    socklen_t length = sizeof domain;
    if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) != 0) return false;
    length = sizeof type;
    if (::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0) return false;
    return domain == AF_UNIX && type == SOCK_STREAM;
}

bool hasBytesWaiting(int fd) {
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0;
}

// The library wakes its poll through a socket pair it makes with the handle, and the version
// Debian ships makes it inheritable, with no way to ask otherwise: every child the process
// starts (a web process, the URL opener) would hold it. So the pair is picked out among the
// descriptors the creation added, proven by a wake-up arriving on it, and marked close-on-exec.
// The wake-up only ends the handle's first wait early.
void markWakeUpPairCloseOnExec(CURLM* multi, const std::set<int>& before) {
    std::vector<int> added;
    for (int fd : inheritableDescriptors()) {
        if (!before.count(fd) && isLocalStreamSocket(fd)) added.push_back(fd);
    }
    if (added.size() != 2 || curl_multi_wakeup(multi) != CURLM_OK) return;
    if (!hasBytesWaiting(added[0]) && !hasBytesWaiting(added[1])) return;
    for (int fd : added) ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

}  // namespace

TransferDriver::TransferDriver() {
    ensureCurlReady();
    const std::set<int> before = inheritableDescriptors();
    multi_ = curl_multi_init();
    if (multi_) markWakeUpPairCloseOnExec(static_cast<CURLM*>(multi_), before);
}

TransferDriver::~TransferDriver() {
    for (auto& [easy, transfer] : transfers_) {
        curl_multi_remove_handle(static_cast<CURLM*>(multi_), static_cast<CURL*>(easy));
    }
    transfers_.clear();
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void TransferDriver::add(std::shared_ptr<CurlTransfer> transfer) {
    if (!transfer) return;
    if (transfer->setupError() || !transfer->easyHandle()) {
        transfer->failSetup();
        return;
    }
    void* easy = transfer->easyHandle();
    transfer->noteActivity();
    if (curl_multi_add_handle(static_cast<CURLM*>(multi_), static_cast<CURL*>(easy)) != CURLM_OK) {
        transfer->complete(CURLE_FAILED_INIT);
        return;
    }
    transfers_[easy] = std::move(transfer);
}

void TransferDriver::remove(const CurlTransfer* transfer) {
    if (!transfer) return;
    auto it = transfers_.find(transfer->easyHandle());
    if (it == transfers_.end()) return;
    curl_multi_remove_handle(static_cast<CURLM*>(multi_), static_cast<CURL*>(it->first));
    transfers_.erase(it);
}

void TransferDriver::resume(const CurlTransfer* transfer) {
    if (!transfer) return;
    auto it = transfers_.find(transfer->easyHandle());
    if (it != transfers_.end()) it->second->resume();
}

std::size_t TransferDriver::perform() {
    auto* multi = static_cast<CURLM*>(multi_);
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    std::size_t completed = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        auto it = transfers_.find(message->easy_handle);
        if (it == transfers_.end()) continue;
        CURLcode code = message->data.result;
        std::shared_ptr<CurlTransfer> transfer = it->second;
        curl_multi_remove_handle(multi, message->easy_handle);
        transfers_.erase(it);
        transfer->complete(code);
        ++completed;
    }
    return completed;
}

std::size_t TransferDriver::expireIdle() {
    auto now = CurlTransfer::Clock::now();
    std::vector<std::shared_ptr<CurlTransfer>> expired;
    for (auto& [easy, transfer] : transfers_) {
        // Waiting for our own reader is no silence of the server's.
        if (!transfer->isHeldByReader() && transfer->idleDeadline() <= now)
            expired.push_back(transfer);
    }
    for (auto& transfer : expired) {
        remove(transfer.get());
        transfer->timeOut();
    }
    return expired.size();
}

void TransferDriver::runOnce(std::chrono::milliseconds maxWait) {
    // Something that just ended must not wait behind a poll of the sockets that are left.
    if (perform() + expireIdle() > 0) return;

    auto wait = maxWait;
    if (!transfers_.empty()) {
        auto now = CurlTransfer::Clock::now();
        for (auto& [easy, transfer] : transfers_) {
            if (transfer->isHeldByReader()) continue;
            auto left =
                std::chrono::ceil<std::chrono::milliseconds>(transfer->idleDeadline() - now);
            wait = std::min(wait, std::max(left, std::chrono::milliseconds(0)));
        }
        long libraryWait = -1;
        curl_multi_timeout(static_cast<CURLM*>(multi_), &libraryWait);
        if (libraryWait >= 0) wait = std::min(wait, std::chrono::milliseconds(libraryWait));
    }
    curl_multi_poll(static_cast<CURLM*>(multi_), nullptr, 0,
                    static_cast<int>(std::clamp<long long>(wait.count(), 0, 60000)), nullptr);
    perform();
    expireIdle();
}

void TransferDriver::wakeup() {
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

}  // namespace platform
