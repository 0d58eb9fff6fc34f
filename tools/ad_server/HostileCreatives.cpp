#include "tools/ad_server/HostileCreatives.h"

#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

constexpr Hostility kAll[] = {Hostility::None, Hostility::FileFrame, Hostility::FileNavigation,
                              Hostility::Spin, Hostility::Allocate,
                              // Costs outside the page's own process and thread.
                              Hostility::BlobFlood, Hostility::StoredFlood, Hostility::SpinWorkers,
                              Hostility::SpinWithPauses, Hostility::SlowFetches,
                              Hostility::AllocateNonstop};

std::string fileRedirectUrl(const AdContext& c) {
    return c.origin + kFileRedirectPath + "?slot=" + percentEncode(c.slotname) +
           "&ad=" + std::to_string(c.ad);
}

}  // namespace

std::string_view hostilityName(Hostility hostility) {
    switch (hostility) {
        case Hostility::None:
            return "none";
        case Hostility::FileFrame:
            return "file-frame";
        case Hostility::FileNavigation:
            return "file-navigation";
        case Hostility::Spin:
            return "spin";
        case Hostility::Allocate:
            return "allocate";
        case Hostility::BlobFlood:
            return "blob-flood";
        case Hostility::StoredFlood:
            return "stored-flood";
        case Hostility::SpinWorkers:
            return "spin-workers";
        case Hostility::SpinWithPauses:
            return "spin-with-pauses";
        case Hostility::SlowFetches:
            return "slow-fetches";
        case Hostility::AllocateNonstop:
            return "allocate-nonstop";
    }
    return "none";
}

std::optional<Hostility> hostilityNamed(std::string_view name) {
    for (Hostility h : kAll) {
        if (hostilityName(h) == name) return h;
    }
    return std::nullopt;
}

std::string hostilePart(Hostility hostility, const AdContext& c) {
    switch (hostility) {
        case Hostility::None:
            return "";
        case Hostility::FileFrame:
            return "<iframe id=\"hostile\" src=\"" + htmlEscape(fileRedirectUrl(c)) +
                   "\" style=\"position: absolute; left: 0; bottom: 0; width: 1px; height: 1px; "
                   "border: 0\"></iframe>\n";
        case Hostility::FileNavigation:
            return "<script>window.addEventListener('load', function () {\n"
                   "  setTimeout(function () { location.href = " +
                   scriptJson(fileRedirectUrl(c)) + "; }, 300);\n});</script>\n";
        case Hostility::Spin:
            return "<script>setTimeout(function () { while (true) {} }, 200);</script>\n";
        case Hostility::Allocate:
            // Written, so that the memory is really taken and not only promised.
            return "<script>(function () {\n"
                   "  var kept = [];\n"
                   "  setInterval(function () {\n"
                   "    var block = new Uint8Array(50 * 1024 * 1024);\n"
                   "    for (var i = 0; i < block.length; i += 4096) block[i] = 1;\n"
                   "    kept.push(block);\n"
                   "  }, 100);\n"
                   "})();</script>\n";
        case Hostility::BlobFlood:
            // The bytes go to the network process, which writes them; the page keeps only
            // handles, and its own block of zeros is never written, so it costs the page
            // nothing.
            return "<script>(function () {\n"
                   "  var kept = [];\n"
                   "  window.blobs = 0;\n"
                   "  setInterval(function () {\n"
                   "    kept.push(new Blob([new Uint8Array(64 * 1024 * 1024)]));\n"
                   "    window.blobs = kept.length;\n"
                   "  }, 100);\n"
                   "})();</script>\n";
        case Hostility::StoredFlood:
            // Starts over with a new connection whenever the database is closed under it or a
            // write fails, as a page that means to keep its data would; `window.stored` counts
            // the writes that completed.
            return "<script>(function () {\n"
                   "  window.stored = 0;\n"
                   "  var tries = 0;\n"
                   "  function open() {\n"
                   "    var request = indexedDB.open('hoard', 1);\n"
                   "    request.onupgradeneeded = function () {\n"
                   "      request.result.createObjectStore('blocks');\n"
                   "    };\n"
                   "    request.onsuccess = function () { put(request.result); };\n"
                   "    request.onerror = function () { setTimeout(open, 100); };\n"
                   "  }\n"
                   "  function put(db) {\n"
                   "    if (++tries > 48) return;\n"
                   "    var block = new Uint8Array(32 * 1024 * 1024);\n"
                   "    for (var i = 0; i < block.length; i += 4096) block[i] = tries & 255;\n"
                   "    var t;\n"
                   "    try {\n"
                   "      t = db.transaction('blocks', 'readwrite');\n"
                   "      t.objectStore('blocks').put(block, tries);\n"
                   "    } catch (e) { setTimeout(open, 100); return; }\n"
                   "    t.oncomplete = function () { window.stored++; setTimeout(function () { "
                   "put(db); }, 100); };\n"
                   "    t.onabort = function () { setTimeout(open, 100); };\n"
                   "  }\n"
                   "  open();\n"
                   "})();</script>\n";
        case Hostility::SpinWorkers:
            return "<script>(function () {\n"
                   "  var code = URL.createObjectURL(new Blob(['for (var n = 0; ; ++n) {}']));\n"
                   "  window.workers = [];\n"
                   "  for (var i = 0; i < 4; ++i) window.workers.push(new Worker(code));\n"
                   "})();</script>\n";
        case Hostility::SpinWithPauses:
            // Answers every few seconds, so a watch that only asks whether it answers at all
            // never sees it hang.
            return "<script>(function () {\n"
                   "  function busy() {\n"
                   "    var end = Date.now() + 2500;\n"
                   "    while (Date.now() < end) {}\n"
                   "    setTimeout(busy, 5);\n"
                   "  }\n"
                   "  setTimeout(busy, 200);\n"
                   "})();</script>\n";
        case Hostility::AllocateNonstop:
            // Never lets go of its thread: nothing that waits for the page's turn ever runs.
            return "<script>setTimeout(function () {\n"
                   "  var kept = [];\n"
                   "  for (;;) {\n"
                   "    var block = new Uint8Array(50 * 1024 * 1024);\n"
                   "    for (var i = 0; i < block.length; i += 4096) block[i] = 1;\n"
                   "    kept.push(block);\n"
                   "  }\n"
                   "}, 200);</script>\n";
        case Hostility::SlowFetches: {
            const std::string slow = c.origin + kSlowPath + "?slot=" + percentEncode(c.slotname) +
                                     "&ad=" + std::to_string(c.ad) + "&n=";
            return "<script>(function () {\n"
                   "  for (var i = 0; i < " +
                   std::to_string(kSlowFetchCount) +
                   "; ++i) {\n"
                   "    fetch(" +
                   scriptJson(slow) +
                   " + i, {cache: 'no-store'}).catch(function () {});\n"
                   "  }\n"
                   "})();</script>\n";
        }
    }
    return "";
}

}  // namespace tools::adserver
