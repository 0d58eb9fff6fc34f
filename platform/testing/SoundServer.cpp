#include "platform/testing/SoundServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace platform::testing {

SoundServerStandIn::SoundServerStandIn() {
    const std::string path = (folder_ / "native").string();
    sockaddr_un at{};
    at.sun_family = AF_UNIX;
    if (path.size() >= sizeof at.sun_path || ::pipe2(stop_, O_CLOEXEC) != 0) return;
    std::memcpy(at.sun_path, path.c_str(), path.size() + 1);
    listening_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listening_ < 0 || ::bind(listening_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(listening_, 64) != 0) {
        return;
    }
    address_ = "unix:" + path;
    std::ofstream(folder_ / "client.conf") << "autospawn = no\n";
    thread_ = std::thread([this] { serve(); });
}

std::vector<std::pair<std::string, std::string>> SoundServerStandIn::clientEnvironment() const {
    return {{"PULSE_SERVER", address_},
            {"PULSE_COOKIE", (folder_ / "cookie").string()},
            {"PULSE_CLIENTCONFIG", (folder_ / "client.conf").string()}};
}

SoundServerStandIn::~SoundServerStandIn() {
    if (thread_.joinable()) {
        (void)!::write(stop_[1], "x", 1);
        thread_.join();
    }
    for (int fd : {listening_, stop_[0], stop_[1]}) {
        if (fd >= 0) ::close(fd);
    }
}

std::vector<pid_t> SoundServerStandIn::callers() const {
    std::lock_guard lock(mutex_);
    return callers_;
}

void SoundServerStandIn::serve() {
    for (;;) {
        pollfd ready[] = {{listening_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0 && errno != EINTR) return;
        if (ready[1].revents) return;
        if (!(ready[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ucred peer{};
        socklen_t size = sizeof peer;
        const pid_t caller =
            ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 ? peer.pid : 0;
        ::close(fd);
        std::lock_guard lock(mutex_);
        callers_.push_back(caller);
    }
}

}  // namespace platform::testing
