#pragma once

// What a hostile creative does to the web process it runs in, besides showing itself: the
// faults a creative or its server may bring, for tests that the SDK loses one ad to them and
// nothing else. Any generated creative (banner, interstitial and the other full-screen pages)
// carries the scenario's part at the end of its body.

#include <optional>
#include <string>
#include <string_view>

namespace tools::adserver {

struct AdContext;

enum class Hostility {
    None,
    FileFrame,       // an iframe whose web address answers 302 with a file: URL
    FileNavigation,  // the page goes to that address 0.3 s after it has loaded
    Spin,            // 0.2 s after loading, a script that never ends
    Allocate,        // 50 MiB more kept every 0.1 s, every page of it written
    // Costs outside the page's own heap and main thread: the engine's other processes, its
    // other cores, the connections it shares with every page.
    BlobFlood,        // a 64 MiB Blob more kept every 0.1 s (held by the engine's network process)
    StoredFlood,      // 32 MiB more stored in IndexedDB every 0.1 s, 48 times at most
    SpinWorkers,      // four Web Workers that never stop computing
    SpinWithPauses,   // the page's script busy for 2.5 s at a time, then 5 ms for everything else
    SlowFetches,      // 8 fetches of kSlowPath at once, which the server holds until it stops
    AllocateNonstop,  // 0.2 s after loading, 50 MiB more kept and written in a loop that never
                      // yields
};

// Answers "302 Location: file:///etc/passwd", for ads and landing pages alike.
inline constexpr const char* kFileRedirectPath = "/mads/to_file";
inline constexpr const char* kFileRedirectTarget = "file:///etc/passwd";

// Held open, never answered, until the server stops (recorded as `slow`).
inline constexpr const char* kSlowPath = "/mads/slow";
inline constexpr int kSlowFetchCount = 8;

// "none", "file-frame", "file-navigation", "spin", "allocate", "blob-flood", "stored-flood",
// "spin-workers", "spin-with-pauses", "slow-fetches", "allocate-nonstop".
std::string_view hostilityName(Hostility hostility);
std::optional<Hostility> hostilityNamed(std::string_view name);

// The markup the creative of the ad ends with ("" for None).
std::string hostilePart(Hostility hostility, const AdContext& context);

}  // namespace tools::adserver
