#include "platform/device/Reachability.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoop.h"

namespace platform {

namespace {

std::mutex& testMutex() {
    static std::mutex m;
    return m;
}

std::optional<std::uint32_t>& testFlags() {
    static std::optional<std::uint32_t> flags;
    return flags;
}

// Started objects, for fireChangeForTesting. Found again by address, so that removing one
// never makes (and drops) a strong reference under the lock.
using StartedList = std::vector<std::pair<const Reachability*, std::weak_ptr<Reachability>>>;
StartedList& startedObjects() {
    static StartedList list;
    return list;
}

std::optional<std::uint32_t> currentTestFlags() {
    std::lock_guard lock(testMutex());
    return testFlags();
}

bool routableV4(const sockaddr_in& a) {
    std::uint32_t ip = ntohl(a.sin_addr.s_addr);
    if (ip == 0) return false;
    if ((ip >> 24) == 127) return false;
    // 169.254/16: made up by the machine itself when no network gave it an address.
    if ((ip >> 16) == 0xA9FE) return false;
    return true;
}

bool routableV6(const sockaddr_in6& a) {
    const auto& b = a.sin6_addr.s6_addr;
    if (IN6_IS_ADDR_UNSPECIFIED(&a.sin6_addr) || IN6_IS_ADDR_LOOPBACK(&a.sin6_addr)) return false;
    // fe80::/10 exists on every interface that is up, connected or not.
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return false;
    return true;
}

}  // namespace

// The socket and the wake-up of one watch, shared by the object and its thread: whichever
// lets go last closes them, so neither ever writes to a number the other already closed.
struct ReachabilityWatch {
    int socket = -1;
    int wake = -1;
    ~ReachabilityWatch() {
        if (socket >= 0) ::close(socket);
        if (wake >= 0) ::close(wake);
    }
};

std::shared_ptr<Reachability> Reachability::create() {
    return std::make_shared<Reachability>(Private{});
}

Reachability::Reachability(Private) {}

Reachability::~Reachability() {
    stop();
}

std::uint32_t Reachability::flagsForInterfaces(const std::vector<Interface>& interfaces) {
    for (const Interface& i : interfaces)
        if (i.up && i.running && !i.loopback && i.addresses > 0) return kReachabilityFlagReachable;
    return 0;
}

std::optional<std::vector<Reachability::Interface>> Reachability::machineInterfaces() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return std::nullopt;
    std::map<std::string, Interface> byName;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_name) continue;
        Interface& i = byName[a->ifa_name];
        i.name = a->ifa_name;
        i.up = i.up || (a->ifa_flags & IFF_UP);
        i.running = i.running || (a->ifa_flags & IFF_RUNNING);
        i.loopback = i.loopback || (a->ifa_flags & IFF_LOOPBACK);
        if (!a->ifa_addr) continue;
        if (a->ifa_addr->sa_family == AF_INET &&
            routableV4(*reinterpret_cast<const sockaddr_in*>(a->ifa_addr)))
            ++i.addresses;
        if (a->ifa_addr->sa_family == AF_INET6 &&
            routableV6(*reinterpret_cast<const sockaddr_in6*>(a->ifa_addr)))
            ++i.addresses;
    }
    ::freeifaddrs(list);
    std::vector<Interface> out;
    for (auto& [name, i] : byName) out.push_back(std::move(i));
    return out;
}

bool Reachability::netlinkBufferTouchesInterfaces(const std::uint8_t* data, std::size_t size) {
    std::size_t offset = 0;
    while (data && size - offset >= sizeof(nlmsghdr)) {
        nlmsghdr header;
        // Copied out: a buffer need not be aligned for the header.
        std::memcpy(&header, data + offset, sizeof header);
        if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > size - offset) return false;
        switch (header.nlmsg_type) {
            case RTM_NEWLINK:
            case RTM_DELLINK:
            case RTM_NEWADDR:
            case RTM_DELADDR:
                return true;
            case NLMSG_DONE:
            case NLMSG_ERROR:
                return false;
            default:
                break;
        }
        std::size_t step = NLMSG_ALIGN(header.nlmsg_len);
        if (step > size - offset) return false;
        offset += step;
    }
    return false;
}

std::optional<std::uint32_t> Reachability::flags() const {
    if (auto f = currentTestFlags()) return f;
    auto interfaces = machineInterfaces();
    if (!interfaces) return std::nullopt;
    return flagsForInterfaces(*interfaces);
}

bool Reachability::isStarted() const {
    std::lock_guard lock(mutex_);
    return started_;
}

bool Reachability::start(Callback callback, Poster queue) {
    bool testing = currentTestFlags().has_value();
    std::shared_ptr<ReachabilityWatch> watch;
    if (!testing) {
        watch = std::make_shared<ReachabilityWatch>();
        watch->socket =
            ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
        watch->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        sockaddr_nl local{};
        local.nl_family = AF_NETLINK;
        local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
        if (watch->socket < 0 || watch->wake < 0 ||
            ::bind(watch->socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            LogSink::write(std::string("Reachability: cannot watch the network: ") +
                           std::strerror(errno));
            return false;
        }
    }
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        if (started_) return false;
        started_ = true;
        generation = ++generation_;
        callback_ = std::move(callback);
        queue_ = std::move(queue);
        lastReported_.reset();
        watch_ = watch;
    }
    {
        std::lock_guard lock(testMutex());
        auto& list = startedObjects();
        std::erase_if(list, [](const auto& entry) { return entry.second.expired(); });
        list.emplace_back(this, weak_from_this());
    }
    if (watch) {
        std::weak_ptr<Reachability> owner = weak_from_this();
        std::thread thread([watch, owner, generation] { watchLoop(watch, owner, generation); });
        std::lock_guard lock(mutex_);
        watcher_ = std::move(thread);
    }
    reportIfChanged(generation);
    return true;
}

void Reachability::stop() {
    std::thread thread;
    std::shared_ptr<ReachabilityWatch> watch;
    {
        std::lock_guard lock(mutex_);
        if (!started_) return;
        started_ = false;
        ++generation_;
        callback_ = nullptr;
        queue_ = nullptr;
        thread = std::move(watcher_);
        watch = std::move(watch_);
    }
    {
        std::lock_guard lock(testMutex());
        std::erase_if(startedObjects(), [this](const auto& entry) { return entry.first == this; });
    }
    if (watch) {
        std::uint64_t one = 1;
        (void)!::write(watch->wake, &one, sizeof one);
    }
    if (thread.joinable()) {
        // The last reference may be dropped by the watcher itself, right after a report;
        // it must not wait for its own end. It sees the wake-up and leaves on its own.
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
}

void Reachability::watchLoop(std::shared_ptr<ReachabilityWatch> watch,
                             std::weak_ptr<Reachability> owner, std::uint64_t generation) {
    // Netlink messages are small; a change of many addresses arrives as several reads.
    std::vector<std::uint8_t> buffer(32 * 1024);
    for (;;) {
        pollfd fds[2] = {{watch->socket, POLLIN, 0}, {watch->wake, POLLIN, 0}};
        int n = ::poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            // POLLERR is also how an overrun (ENOBUFS) shows; the read below clears it.
            if (!(fds[0].revents & POLLERR)) return;
        }
        bool changed = false;
        for (;;) {
            sockaddr_nl sender{};
            iovec io{buffer.data(), buffer.size()};
            msghdr message{};
            message.msg_name = &sender;
            message.msg_namelen = sizeof sender;
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            ssize_t got = ::recvmsg(watch->socket, &message, MSG_DONTWAIT);
            if (got < 0) {
                if (errno == EINTR) continue;
                // Events were lost: look again rather than trust what we last saw.
                if (errno == ENOBUFS) {
                    changed = true;
                    continue;
                }
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                return;
            }
            // Only the kernel speaks for the interfaces; any other sender is ignored.
            if (message.msg_namelen != sizeof sender || sender.nl_pid != 0) continue;
            if (message.msg_flags & MSG_TRUNC) {
                changed = true;
                continue;
            }
            if (netlinkBufferTouchesInterfaces(buffer.data(), static_cast<std::size_t>(got)))
                changed = true;
        }
        if (!changed) continue;
        auto self = owner.lock();
        if (!self) return;
        self->reportIfChanged(generation);
    }
}

void Reachability::reportIfChanged(std::uint64_t generation) {
    // Unreadable interfaces count as no network: the caller's last word must not stay
    // "reachable" when we can no longer tell.
    std::uint32_t now = flags().value_or(0);
    {
        std::lock_guard lock(mutex_);
        if (!started_ || generation != generation_) return;
        if (lastReported_ == now) return;
        lastReported_ = now;
    }
    post(generation, now);
}

void Reachability::post(std::uint64_t generation, std::uint32_t flags) {
    Poster queue;
    {
        std::lock_guard lock(mutex_);
        if (!started_ || generation != generation_) return;
        queue = queue_;
    }
    std::weak_ptr<Reachability> weak = weak_from_this();
    auto task = [weak, generation, flags] {
        auto self = weak.lock();
        if (!self) return;
        Callback callback;
        {
            std::lock_guard lock(self->mutex_);
            if (!self->started_ || generation != self->generation_) return;
            callback = self->callback_;
        }
        if (callback) callback(flags);
    };
    if (queue)
        queue(std::move(task));
    else
        MainLoop::main().post(std::move(task));
}

void Reachability::setFlagsForTesting(std::optional<std::uint32_t> flags) {
    std::lock_guard lock(testMutex());
    testFlags() = flags;
}

void Reachability::fireChangeForTesting() {
    std::vector<std::shared_ptr<Reachability>> objects;
    {
        std::lock_guard lock(testMutex());
        for (auto& entry : startedObjects())
            if (auto p = entry.second.lock()) objects.push_back(std::move(p));
    }
    for (auto& object : objects) {
        std::uint64_t generation = 0;
        std::uint32_t now = object->flags().value_or(0);
        {
            std::lock_guard lock(object->mutex_);
            if (!object->started_) continue;
            generation = object->generation_;
            object->lastReported_ = now;
        }
        object->post(generation, now);
    }
}

}  // namespace platform
