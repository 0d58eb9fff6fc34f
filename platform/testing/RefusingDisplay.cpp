#include "platform/testing/RefusingDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

namespace platform::testing {

namespace {

constexpr const char* kSocketDirectory = "/tmp/.X11-unix/X";

// The display number of a local display name (":99", ":99.0", "unix:99").
std::optional<int> localDisplayNumber(const char* name) {
    if (!name) return std::nullopt;
    const std::string text(name);
    const auto colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::string host = text.substr(0, colon);
    if (!host.empty() && host != "unix") return std::nullopt;
    char* end = nullptr;
    const long number = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (end == text.c_str() + colon + 1 || number < 0) return std::nullopt;
    return static_cast<int>(number);
}

// The abstract socket address X clients try first for a display number.
socklen_t abstractAddress(int number, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string path = kSocketDirectory + std::to_string(number);
    std::memcpy(address.sun_path + 1, path.data(), path.size());
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
}

int connectToDisplay(int number) {
    sockaddr_un address{};
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), abstractAddress(number, address)) == 0)
        return fd;
    ::close(fd);
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string path = kSocketDirectory + std::to_string(number);
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// An authority file entry: each field as a big-endian 16-bit length and its bytes, after the
// address family.
struct AuthorityEntry {
    std::uint16_t family = 0;
    std::string address, number, name, data;
};

std::vector<AuthorityEntry> readAuthority(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<AuthorityEntry> entries;
    std::size_t at = 0;
    auto u16 = [&](std::uint16_t& out) {
        if (at + 2 > bytes.size()) return false;
        out = static_cast<std::uint16_t>((std::uint8_t(bytes[at]) << 8) |
                                         std::uint8_t(bytes[at + 1]));
        at += 2;
        return true;
    };
    auto field = [&](std::string& out) {
        std::uint16_t length = 0;
        if (!u16(length) || at + length > bytes.size()) return false;
        out = bytes.substr(at, length);
        at += length;
        return true;
    };
    for (;;) {
        AuthorityEntry entry;
        if (!u16(entry.family) || !field(entry.address) || !field(entry.number) ||
            !field(entry.name) || !field(entry.data))
            break;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace

RefusingDisplay::RefusingDisplay(int refusals) : refusals_(refusals) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    // A number far from the ones display servers take, and each taken one skipped.
    const int first = 6000 + static_cast<int>(::getpid() % 3000);
    for (int number = first; number < first + 500 && listener_ < 0; ++number) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) break;
        sockaddr_un address{};
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), abstractAddress(number, address)) ==
                0 &&
            ::listen(fd, 16) == 0) {
            listener_ = fd;
            number_ = number;
        } else {
            ::close(fd);
        }
    }
    if (listener_ < 0) {
        error_ = "no free display number to listen on";
        return;
    }
    writeAuthority();
    acceptor_ = std::thread([this] { acceptLoop(); });
}

RefusingDisplay::~RefusingDisplay() {
    // The wake pipe stays readable from now on, which ends every loop.
    if (wake_[1] >= 0) (void)::write(wake_[1], "x", 1);
    if (acceptor_.joinable()) acceptor_.join();
    {
        std::lock_guard<std::mutex> lock(relaysMutex_);
        for (auto& relay : relays_) relay.join();
    }
    if (listener_ >= 0) ::close(listener_);
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

void RefusingDisplay::writeAuthority() {
    // Clients look the cookie up by display number: ours gets the real display's cookie.
    const auto real = localDisplayNumber(std::getenv("DISPLAY"));
    const char* file = std::getenv("XAUTHORITY");
    std::string source = file && *file ? file : "";
    if (source.empty() && std::getenv("HOME"))
        source = std::string(std::getenv("HOME")) + "/.Xauthority";
    std::optional<AuthorityEntry> cookie;
    for (const auto& entry : readAuthority(source)) {
        if (entry.name != "MIT-MAGIC-COOKIE-1") continue;
        if (!cookie || (real && entry.number == std::to_string(*real))) cookie = entry;
    }
    authority_ = (dir_ / "Xauthority").string();
    std::ofstream out(authority_, std::ios::binary);
    if (!cookie) return;
    cookie->family = 0xffff;  // any address
    cookie->address.clear();
    cookie->number = std::to_string(number_);
    auto put = [&](const std::string& text) {
        out.put(static_cast<char>(text.size() >> 8)).put(static_cast<char>(text.size() & 0xff));
        out << text;
    };
    out.put(static_cast<char>(0xff)).put(static_cast<char>(0xff));
    for (const auto* text : {&cookie->address, &cookie->number, &cookie->name, &cookie->data})
        put(*text);
}

void RefusingDisplay::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        if (refused_.load() < refusals_) {
            ++refused_;
            ::close(client);
            continue;
        }
        ++joined_;
        std::lock_guard<std::mutex> lock(relaysMutex_);
        relays_.emplace_back([this, client] { relay(client); });
    }
}

void RefusingDisplay::relay(int client) {
    const auto real = localDisplayNumber(std::getenv("DISPLAY"));
    const int server = real ? connectToDisplay(*real) : -1;
    char buffer[16384];
    while (server >= 0) {
        pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[2].revents) break;
        bool open = true;
        for (int side = 0; side < 2 && open; ++side) {
            if (!fds[side].revents) continue;
            const ssize_t n = ::read(fds[side].fd, buffer, sizeof buffer);
            open = n > 0 && writeAll(fds[1 - side].fd, buffer, static_cast<std::size_t>(n));
        }
        if (!open) break;
    }
    if (server >= 0) ::close(server);
    ::close(client);
}

}  // namespace platform::testing
