#pragma once

// Whether this machine can reach a network, in the flag bits callers already compare
// (kReachabilityFlagReachable is 2). A desktop is never on a cellular radio, so
// kReachabilityFlagIsWWAN is never set. The flags come from the machine's interfaces: an
// interface that is up and running, is not the loopback and has a routable address (IPv4 or
// IPv6, link-local ones do not count: every interface has them, cable or not) makes the
// machine reachable. No host is asked: the answer is the same for every destination.
//
// start() reports the flags once, at once, and then whenever they change; reports run on the
// queue given (the main loop when none). Changes are noticed through the kernel's routing
// socket (netlink): a thread of this object waits on it, since nothing else in the program
// waits on file descriptors; it lives from start() to stop() (or the object's end). A report
// that is already on its way when stop() is called is dropped.
//
// Tests set the flags process-wide (setFlagsForTesting) and fire changes (fireChangeForTesting);
// while flags are set no object reads the interfaces or opens a socket.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform {

struct ReachabilityWatch;

enum ReachabilityFlags : std::uint32_t {
    kReachabilityFlagTransientConnection = 1u << 0,
    kReachabilityFlagReachable = 1u << 1,
    kReachabilityFlagConnectionRequired = 1u << 2,
    kReachabilityFlagIsLocalAddress = 1u << 16,
    kReachabilityFlagIsDirect = 1u << 17,
    kReachabilityFlagIsWWAN = 1u << 18,
};

class Reachability : public std::enable_shared_from_this<Reachability> {
  public:
    using Callback = std::function<void(std::uint32_t flags)>;
    using Poster = std::function<void(std::function<void()>)>;

    // One interface as the flags rule sees it.
    struct Interface {
        std::string name;
        bool up = false;
        bool running = false;
        bool loopback = false;
        // Routable addresses only (see above).
        int addresses = 0;
    };

    static std::shared_ptr<Reachability> create();
    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // The flags now; nullopt when the interfaces cannot be listed.
    std::optional<std::uint32_t> flags() const;

    // Reports to the callback as described above. Answers false (and reports nothing) when
    // already started or when changes cannot be watched.
    bool start(Callback callback, Poster queue = nullptr);
    void stop();
    bool isStarted() const;

    // The rule above, over a list of interfaces.
    static std::uint32_t flagsForInterfaces(const std::vector<Interface>& interfaces);
    // The machine's interfaces (getifaddrs), merged by name; nullopt when they cannot be read.
    static std::optional<std::vector<Interface>> machineInterfaces();
    // Whether a buffer read from the routing socket tells of a change of links or addresses.
    // The buffer comes from the kernel but is checked as if it came from anyone: a truncated
    // or malformed message ends the walk.
    static bool netlinkBufferTouchesInterfaces(const std::uint8_t* data, std::size_t size);

    static void setFlagsForTesting(std::optional<std::uint32_t> flags);
    // Every started object reports the flags now, changed or not.
    static void fireChangeForTesting();

  private:
    struct Private {};

  public:
    explicit Reachability(Private);

  private:
    static void watchLoop(std::shared_ptr<ReachabilityWatch> watch,
                          std::weak_ptr<Reachability> owner, std::uint64_t generation);
    void reportIfChanged(std::uint64_t generation);
    void post(std::uint64_t generation, std::uint32_t flags);

    mutable std::mutex mutex_;
    Callback callback_;
    Poster queue_;
    // Bumped by every start and stop, so reports of an earlier registration are dropped.
    std::uint64_t generation_ = 0;
    bool started_ = false;
    std::optional<std::uint32_t> lastReported_;
    std::shared_ptr<ReachabilityWatch> watch_;
    std::thread watcher_;
};

}  // namespace platform
