#include "tools/ad_server/HostileCreatives.h"

#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

constexpr Hostility kAll[] = {
    Hostility::None,           Hostility::FileFrame,         Hostility::FileNavigation,
    Hostility::Spin,           Hostility::Allocate,          Hostility::YieldingSpin,
    Hostility::Print,          Hostility::FileChooser,       Hostility::Dialogs,
    Hostility::Attachment,     Hostility::EndlessAttachment, Hostility::BlobFlood,
    Hostility::StoredFlood,    Hostility::SpinWorkers,       Hostility::SlowFetches,
    Hostility::AllocateNonstop};

std::string fileRedirectUrl(const AdContext& c) {
    return c.origin + kFileRedirectPath + "?slot=" + percentEncode(c.slotname) +
           "&ad=" + std::to_string(c.ad);
}

std::string attachmentFrame(const AdContext& c, bool endless) {
    const std::string url = c.origin + kAttachmentPath + "?slot=" + percentEncode(c.slotname) +
                            "&ad=" + std::to_string(c.ad) + (endless ? "&endless=1" : "");
    return "<iframe id=\"hostile\" src=\"" + htmlEscape(url) +
           "\" style=\"position: absolute; left: 0; bottom: 0; width: 1px; height: 1px; "
           "border: 0\"></iframe>\n";
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
        case Hostility::YieldingSpin:
            return "yielding-spin";
        case Hostility::Print:
            return "print";
        case Hostility::FileChooser:
            return "file-chooser";
        case Hostility::Dialogs:
            return "dialogs";
        case Hostility::Attachment:
            return "attachment";
        case Hostility::EndlessAttachment:
            return "endless-attachment";
        case Hostility::BlobFlood:
            return "blob-flood";
        case Hostility::StoredFlood:
            return "stored-flood";
        case Hostility::SpinWorkers:
            return "spin-workers";
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
        case Hostility::YieldingSpin:
            // Free for a moment between spins: the page answers the engine's questions late
            // but answers them, so it is never found unresponsive and ended.
            return "<script>(function () {\n"
                   "  function spin() {\n"
                   "    var end = Date.now() + 2500;\n"
                   "    while (Date.now() < end) {}\n"
                   "    setTimeout(spin, 5);\n"
                   "  }\n"
                   "  setTimeout(spin, 200);\n"
                   "})();</script>\n";
        case Hostility::Print:
            // What the page did is kept for whoever asks it later.
            return "<script>window.hostile = {printed: false};\n"
                   "setTimeout(function () { window.print(); hostile.printed = true; }, 500);"
                   "</script>\n";
        case Hostility::FileChooser:
            return "<input id=\"hostile-file\" type=\"file\" style=\"position: absolute; "
                   "left: -100px; width: 1px; height: 1px\">\n"
                   "<script>window.hostile = {taps: 0, chooserAsked: false};\n"
                   "document.addEventListener('click', function (event) {\n"
                   "  if (event.target.id === 'hostile-file' || hostile.taps++) return;\n"
                   "  var input = document.getElementById('hostile-file');\n"
                   "  input.addEventListener('click', function () { hostile.chooserAsked = true; "
                   "});\n"
                   "  input.click();\n"
                   "});</script>\n";
        case Hostility::Dialogs:
            return "<script>window.hostile = {alerts: 0, confirmed: 'unasked', prompted: "
                   "'unasked'};\n"
                   "setTimeout(function () {\n"
                   "  for (var i = 0; i < 1000; ++i) {\n"
                   "    if (i === 300) hostile.confirmed = confirm('Leave the game?');\n"
                   "    if (i === 600) hostile.prompted = prompt('Your name?', 'player');\n"
                   "    alert('Alert ' + (i + 1) + ' of 1000');\n"
                   "    hostile.alerts++;\n"
                   "  }\n"
                   "}, 0);</script>\n";
        case Hostility::Attachment:
            return attachmentFrame(c, false);
        case Hostility::EndlessAttachment:
            return attachmentFrame(c, true);
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
