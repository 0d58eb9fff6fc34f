#include "tools/ad_server/HostileCreatives.h"

#include <iterator>

#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

std::string adQuery(const AdContext& c) {
    return "?slot=" + percentEncode(c.slotname) + "&ad=" + std::to_string(c.ad);
}

std::string fileRedirectUrl(const AdContext& c) {
    return c.origin + kFileRedirectPath + adQuery(c);
}

// A 1-pixel frame in the page's corner, out of the way of the ad's own content.
std::string hiddenFrame(const std::string& url) {
    return "<iframe id=\"hostile\" src=\"" + htmlEscape(url) +
           "\" style=\"position: absolute; left: 0; bottom: 0; width: 1px; height: 1px; "
           "border: 0\"></iframe>\n";
}

// Sends `message` (a script expression of the message's number `n`) every `period`
// milliseconds from the page's load on, each through a frame of its own as mraid.js sends (a
// frame goes a second later), or through a frame's own document's address.
std::string messageFlood(const std::string& setUp, const std::string& message, int period,
                         bool byLocation) {
    return "<script>(function () {\n"
           "  var h = window.hostile = {sent: 0, refused: 0, answers: 0, mostAnswered: 0};\n" +
           setUp +
           "  window.RADE_ReceiveMessage = function (name, info) {\n"
           "    if (name !== 'openableURLs') return;\n"
           "    h.answers++;\n"
           "    h.mostAnswered = Math.max(h.mostAnswered, Object.keys(info || {}).length);\n"
           "  };\n"
           "  function frame() {\n"
           "    var f = document.createElement('iframe');\n"
           "    f.style.display = 'none';\n"
           "    return f;\n"
           "  }\n"
           "  var own = " +
           (byLocation ? "document.body.appendChild(frame())" : "null") +
           ";\n"
           "  setInterval(function () {\n"
           "    var n = h.sent++, url = " +
           message +
           ";\n"
           "    if (own) {\n"
           "      try { own.contentWindow.location.replace(url); } catch (e) { h.refused++; }\n"
           "      return;\n"
           "    }\n"
           "    var f = frame();\n"
           "    f.src = url;\n"
           "    if (f.getAttribute('src') === null) h.refused++;\n"
           "    document.body.appendChild(f);\n"
           "    setTimeout(function () { f.remove(); }, 1000);\n"
           "  }, " +
           std::to_string(period) +
           ");\n"
           "})();</script>\n";
}

std::string hugeMessages(bool byLocation) {
    return messageFlood("  var huge = 'x'.repeat(" + std::to_string(kHugeMessageBytes) + ");\n",
                        "'gmsg://movuroute/log?string=' + n + huge", 1000 / kHugeMessagesPerSecond,
                        byLocation);
}

// Answers the game's scripts with values that cost whoever turns them into text, and asks
// "canOpenURLs" every `period` milliseconds for an answer of the game's to answer.
std::string hugeAnswers(int period) {
    return "<script>(function () {\n"
           "  var h = window.hostile = {events: 0, answers: 0, asked: 0};\n"
           "  var text48 = 'a'.repeat(48 << 20), text160 = 'b'.repeat(160 << 20);\n"
           "  function huge() { return text160; }\n"
           "  function slow() { var end = Date.now() + 1000; while (Date.now() < end); return 's'; "
           "}\n"
           "  var kinds = [\n"
           "    function () { return text48; },\n"
           "    function () { return text160; },\n"
           "    function () { return new Proxy(function () {}, {get: huge, has: huge,\n"
           "      getOwnPropertyDescriptor: huge, ownKeys: huge, apply: huge}); },\n"
           "    function () { return {toString: huge, valueOf: huge}; },\n"
           "    function () { return {toString: slow, valueOf: slow}; }];\n"
           "  var n = 0;\n"
           "  window.RADE_ReceiveMessage = function (name) {\n"
           "    h.events++;\n"
           "    if (name === 'openableURLs') h.answers++;\n"
           "    var i = n++, value = kinds[i % kinds.length]();\n"
           "    if (Math.floor(i / kinds.length) % 2) throw value;\n"
           "    return value;\n"
           "  };\n"
           "  setInterval(function () {\n"
           "    h.asked++;\n"
           "    var f = document.createElement('iframe');\n"
           "    f.style.display = 'none';\n"
           "    f.src = 'gmsg://movuroute/canOpenURLs?urls=' + "
           "encodeURIComponent('https://example.com/');\n"
           "    document.body.appendChild(f);\n"
           "    setTimeout(function () { f.remove(); }, 1000);\n"
           "  }, " +
           std::to_string(period) +
           ");\n"
           "})();</script>\n";
}

// Same-document navigations, `step` of them a task, task after task: a message channel's tasks
// are not slowed as timers are. The page says it is alive every 0.1 s, a creative event
// "beat" each.
std::string inPlaceFlood(const AdContext& c, const std::string& step) {
    return "<script>(function () {\n"
           "  var h = window.hostile = {n: 0};\n"
           "  var big = 'h'.repeat(100000), long = 'p'.repeat(" +
           std::to_string(kHistoryFloodAddressBytes) +
           ");\n"
           "  var events = " +
           scriptJson(adLinks(c).events) +
           ";\n"
           "  setInterval(function () { new Image().src = events + '&name=beat&n=' + h.n; }, "
           "100);\n"
           "  var channel = new MessageChannel();\n"
           "  channel.port1.onmessage = function () {\n" +
           step +
           "\n    channel.port2.postMessage(0);\n"
           "  };\n"
           "  channel.port2.postMessage(0);\n"
           "})();</script>\n";
}

std::string attachmentFrame(const AdContext& c, bool endless) {
    return hiddenFrame(c.origin + kAttachmentPath + adQuery(c) + (endless ? "&endless=1" : ""));
}

// Every creative once, in the enum's order: its name on the command line and the markup its
// page ends with. A new creative is a new row here; the parser, the usage text and the tests
// read their names from this table.
struct HostileCreative {
    Hostility hostility;
    std::string_view name;
    std::string (*part)(const AdContext&);
};

constexpr HostileCreative kCreatives[] = {
    {Hostility::None, "none", [](const AdContext&) { return std::string(); }},
    {Hostility::FileFrame, "file-frame",
     [](const AdContext& c) { return hiddenFrame(fileRedirectUrl(c)); }},
    {Hostility::FileNavigation, "file-navigation",
     [](const AdContext& c) {
         return "<script>window.addEventListener('load', function () {\n"
                "  setTimeout(function () { location.href = " +
                scriptJson(fileRedirectUrl(c)) + "; }, 300);\n});</script>\n";
     }},
    {Hostility::Spin, "spin",
     [](const AdContext&) {
         return std::string("<script>setTimeout(function () { while (true) {} }, 200);</script>\n");
     }},
    {Hostility::Allocate, "allocate",
     [](const AdContext&) {
         // Written, so that the memory is really taken and not only promised.
         return std::string(
             "<script>(function () {\n"
             "  var kept = [];\n"
             "  setInterval(function () {\n"
             "    var block = new Uint8Array(50 * 1024 * 1024);\n"
             "    for (var i = 0; i < block.length; i += 4096) block[i] = 1;\n"
             "    kept.push(block);\n"
             "  }, 100);\n"
             "})();</script>\n");
     }},
    {Hostility::YieldingSpin, "yielding-spin",
     [](const AdContext&) {
         // Free for a moment between spins: the page answers the engine's questions late
         // but answers them, so it is never found unresponsive and ended.
         return std::string(
             "<script>(function () {\n"
             "  function spin() {\n"
             "    var end = Date.now() + 2500;\n"
             "    while (Date.now() < end) {}\n"
             "    setTimeout(spin, 5);\n"
             "  }\n"
             "  setTimeout(spin, 200);\n"
             "})();</script>\n");
     }},
    {Hostility::Print, "print",
     [](const AdContext&) {
         // What the page did is kept for whoever asks it later.
         return std::string(
             "<script>window.hostile = {printed: false};\n"
             "setTimeout(function () { window.print(); hostile.printed = true; }, 500);"
             "</script>\n");
     }},
    {Hostility::FileChooser, "file-chooser",
     [](const AdContext&) {
         return std::string(
             "<input id=\"hostile-file\" type=\"file\" style=\"position: absolute; "
             "left: -100px; width: 1px; height: 1px\">\n"
             "<script>window.hostile = {taps: 0, chooserAsked: false};\n"
             "document.addEventListener('click', function (event) {\n"
             "  if (event.target.id === 'hostile-file' || hostile.taps++) return;\n"
             "  var input = document.getElementById('hostile-file');\n"
             "  input.addEventListener('click', function () { hostile.chooserAsked = true; "
             "});\n"
             "  input.click();\n"
             "});</script>\n");
     }},
    {Hostility::Dialogs, "dialogs",
     [](const AdContext&) {
         return std::string(
             "<script>window.hostile = {alerts: 0, confirmed: 'unasked', prompted: "
             "'unasked'};\n"
             "setTimeout(function () {\n"
             "  for (var i = 0; i < 1000; ++i) {\n"
             "    if (i === 300) hostile.confirmed = confirm('Leave the game?');\n"
             "    if (i === 600) hostile.prompted = prompt('Your name?', 'player');\n"
             "    alert('Alert ' + (i + 1) + ' of 1000');\n"
             "    hostile.alerts++;\n"
             "  }\n"
             "}, 0);</script>\n");
     }},
    {Hostility::Attachment, "attachment",
     [](const AdContext& c) { return attachmentFrame(c, false); }},
    {Hostility::EndlessAttachment, "endless-attachment",
     [](const AdContext& c) { return attachmentFrame(c, true); }},
    {Hostility::BlobFlood, "blob-flood",
     [](const AdContext&) {
         // The bytes go to the network process, which writes them; the page keeps only
         // handles, and its own block of zeros is never written, so it costs the page
         // nothing.
         return std::string(
             "<script>(function () {\n"
             "  var kept = [];\n"
             "  window.blobs = 0;\n"
             "  setInterval(function () {\n"
             "    kept.push(new Blob([new Uint8Array(64 * 1024 * 1024)]));\n"
             "    window.blobs = kept.length;\n"
             "  }, 100);\n"
             "})();</script>\n");
     }},
    {Hostility::StoredFlood, "stored-flood",
     [](const AdContext&) {
         // Starts over with a new connection whenever the database is closed under it or a
         // write fails, as a page that means to keep its data would; `window.stored` counts
         // the writes that completed.
         return std::string(
             "<script>(function () {\n"
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
             "})();</script>\n");
     }},
    {Hostility::SpinWorkers, "spin-workers",
     [](const AdContext&) {
         return std::string(
             "<script>(function () {\n"
             "  var code = URL.createObjectURL(new Blob(['for (var n = 0; ; ++n) {}']));\n"
             "  window.workers = [];\n"
             "  for (var i = 0; i < 4; ++i) window.workers.push(new Worker(code));\n"
             "})();</script>\n");
     }},
    {Hostility::SlowFetches, "slow-fetches",
     [](const AdContext& c) {
         const std::string slow = c.origin + kSlowPath + adQuery(c) + "&n=";
         return "<script>(function () {\n"
                "  for (var i = 0; i < " +
                std::to_string(kSlowFetchCount) +
                "; ++i) {\n"
                "    fetch(" +
                scriptJson(slow) +
                " + i, {cache: 'no-store'}).catch(function () {});\n"
                "  }\n"
                "})();</script>\n";
     }},
    {Hostility::AllocateNonstop, "allocate-nonstop",
     [](const AdContext&) {
         // Never lets go of its thread: nothing that waits for the page's turn ever runs.
         return std::string(
             "<script>setTimeout(function () {\n"
             "  var kept = [];\n"
             "  for (;;) {\n"
             "    var block = new Uint8Array(50 * 1024 * 1024);\n"
             "    for (var i = 0; i < block.length; i += 4096) block[i] = 1;\n"
             "    kept.push(block);\n"
             "  }\n"
             "}, 200);</script>\n");
     }},
    {Hostility::Selections, "selections",
     [](const AdContext&) {
         // `hostile` keeps what the page did and heard, `pasted` what each paste brought.
         return std::string(
                    "<p id=\"hostile-text\" style=\"position: absolute; left: 0; top: 300px; "
                    "width: 100%\">") +
                kSelectionsText +
                "</p>\n<input id=\"hostile-field\" style=\"position: absolute; left: 0; top: "
                "340px; width: 100%\">\n"
                "<textarea id=\"hostile-paste\" style=\"position: fixed; left: 0; bottom: 0; "
                "width: 100%; height: 40px; box-sizing: border-box; margin: 0\"></textarea>\n"
                "<script>(function () {\n"
                "  var text = document.getElementById('hostile-text');\n"
                "  var field = document.getElementById('hostile-field');\n"
                "  var paste = document.getElementById('hostile-paste');\n"
                "  var words = text.textContent;\n"
                "  field.value = words;\n"
                "  var hostile = window.hostile = {selected: 0, taps: 0, unaskedCopy: "
                "document.execCommand('copy'), written: 'unasked', copied: 'unasked', item: "
                "'unasked', read: 'unasked', copyHandled: 0, pasteKeys: 0, middleClicks: 0, "
                "pasted: [], done: false};\n"
                "  var tappedLast = 0;\n"
                "  function select() {\n"
                "    if (hostile.selected++ % 2) getSelection().selectAllChildren(text);\n"
                "    else field.select();\n"
                "  }\n"
                "  select();\n"
                "  var timer = setInterval(function () {\n"
                "    select();\n"
                "    if (hostile.taps >= 3 && Date.now() - tappedLast >= " +
                std::to_string(kSelectionsSecondsAfterTaps * 1000) +
                ") {\n"
                "      clearInterval(timer);\n"
                "      hostile.done = true;\n"
                "    }\n"
                "  }, 100);\n"
                "  function settle(promise, key) {\n"
                "    promise.then(function (value) { hostile[key] = typeof value === 'string' ? "
                "'read: ' + value : 'written'; }, function () { hostile[key] = 'refused'; });\n"
                "  }\n"
                "  document.addEventListener('copy', function (e) {\n"
                "    e.clipboardData.setData('text/plain', words);\n"
                "    e.preventDefault();\n"
                "    hostile.copyHandled++;\n"
                "  });\n"
                "  paste.addEventListener('paste', function (e) {\n"
                "    hostile.pasted.push(e.clipboardData ? e.clipboardData.getData('text/plain') "
                ": '');\n"
                "  });\n"
                "  paste.addEventListener('keydown', function (e) {\n"
                "    if (e.ctrlKey && e.key === 'v') hostile.pasteKeys++;\n"
                "  });\n"
                "  paste.addEventListener('mouseup', function (e) {\n"
                "    if (e.button === 1) hostile.middleClicks++;\n"
                "  });\n"
                "  document.addEventListener('click', function (e) {\n"
                "    if (!e.isTrusted || e.target === paste || hostile.taps >= 3) return;\n"
                "    tappedLast = Date.now();\n"
                "    select();\n"
                "    if (++hostile.taps === 1) {\n"
                "      settle(navigator.clipboard.writeText(words), 'written');\n"
                "    } else if (hostile.taps === 2) {\n"
                "      hostile.copied = document.execCommand('copy');\n"
                "    } else {\n"
                "      settle(navigator.clipboard.write([new ClipboardItem({'text/plain': new "
                "Blob([words], {type: 'text/plain'})})]), 'item');\n"
                "      settle(navigator.clipboard.readText(), 'read');\n"
                "    }\n"
                "  }, true);\n"
                "})();</script>\n";
     }},
    {Hostility::RefusalFlood, "refusal-flood",
     [](const AdContext& c) {
         // The attachments are frames of the page itself, which load with it (one the page
         // made later would be a click, refused untouched), as many as a page may start at
         // once; the rest of the downloads are links the page clicks by script, paced within
         // the navigations a page may start: a page past them is ended before it could ask
         // for the rest (platform/web/WebViewTypes.h).
         std::string frames;
         for (int n = 0; n < kRefusalFloodAttachmentFrames; ++n) {
             frames +=
                 "<iframe src=\"" +
                 htmlEscape(c.origin + kAttachmentPath + adQuery(c) + "&n=" + std::to_string(n)) +
                 "\" style=\"display: none\"></iframe>";
         }
         return frames +
                "\n<input id=\"hostile-file\" type=\"file\" style=\"position: absolute; "
                "left: -100px; width: 1px; height: 1px\">\n"
                "<script>(function () {\n"
                "  var h = window.hostile = {prints: 0, downloads: " +
                std::to_string(kRefusalFloodAttachmentFrames) +
                ", choosers: 0, taps: 0};\n"
                "  var printing = setInterval(function () {\n"
                "    for (var i = 0; i < 200 && h.prints < " +
                std::to_string(kRefusalFloodPrints) +
                "; ++i) { window.print(); h.prints++; }\n"
                "    if (h.prints >= " +
                std::to_string(kRefusalFloodPrints) +
                ") clearInterval(printing);\n"
                "  }, 10);\n"
                "  var blob = URL.createObjectURL(new Blob(['[Desktop Entry]'], "
                "{type: 'application/octet-stream'}));\n"
                "  var downloading = setInterval(function () {\n"
                "    for (var i = 0; i < 2 && h.downloads < " +
                std::to_string(kRefusalFloodDownloads) +
                "; ++i, h.downloads++) {\n"
                "      var a = document.createElement('a');\n"
                "      a.href = blob; a.download = 'evil.desktop';\n"
                "      document.body.appendChild(a); a.click(); a.remove();\n"
                "    }\n"
                "    if (h.downloads >= " +
                std::to_string(kRefusalFloodDownloads) +
                ") clearInterval(downloading);\n"
                "  }, 50);\n"
                "  var input = document.getElementById('hostile-file');\n"
                "  document.addEventListener('click', function (event) {\n"
                "    if (!event.isTrusted || event.target === input) return;\n"
                "    h.taps++;\n"
                "    input.click(); h.choosers++;\n"
                "  }, true);\n"
                "})();</script>\n";
     }},
    {Hostility::MediaSessions, "media-sessions",
     [](const AdContext& c) {
         // Every element is asked to play, as autoplay would once the page may load media:
         // the engine opens an element's media session as it is asked, loaded or not.
         const std::string clip = c.origin + kMediaClipPath;
         return "<video id=\"hostile-video\" src=\"" + htmlEscape(clip) +
                "\" autoplay muted loop playsinline style=\"width: 160px; height: 90px\">"
                "</video>\n"
                "<script>(function () {\n"
                "  var h = window.hostile = {sounds: 0, asked: 0, wakeLock: 'unasked'};\n"
                "  if (navigator.wakeLock) navigator.wakeLock.request('screen').then(\n"
                "    function () { h.wakeLock = 'held'; }, function () { h.wakeLock = 'refused'; "
                "});\n"
                "  var kept = window.hostileSounds = [];\n"
                "  function ask(media) {\n"
                "    var played = media.play();\n"
                "    if (played) played.then(function () {}, function () {});\n"
                "    h.asked++;\n"
                "  }\n"
                "  ask(document.getElementById('hostile-video'));\n"
                "  for (var i = 0; i < " +
                std::to_string(kMediaSessionsSounds) +
                "; ++i) {\n"
                "    var sound = new Audio(" +
                scriptJson(clip) +
                ");\n"
                "    sound.loop = true;\n"
                "    kept.push(sound);\n"
                "    h.sounds++;\n"
                "    ask(sound);\n"
                "  }\n"
                "})();</script>\n";
     }},
    {Hostility::DutyCycleWorkers, "duty-cycle-workers",
     [](const AdContext&) {
         // No thread is ever near spinning; together they take over five cores.
         return std::string(
             "<script>(function () {\n"
             "  var code = URL.createObjectURL(new Blob(['(function work() {'\n"
             "    + ' var end = Date.now() + 330; while (Date.now() < end) {}'\n"
             "    + ' setTimeout(work, 170); })();']));\n"
             "  window.workers = [];\n"
             "  for (var i = 0; i < 8; ++i) window.workers.push(new Worker(code));\n"
             "})();</script>\n");
     }},
    {Hostility::AllocateWorkers, "allocate-workers",
     [](const AdContext&) {
         // Long at rest first, so a watch that waits while a page rests has to notice the
         // burst in time.
         return std::string(
             "<script>(function () {\n"
             "  var code = URL.createObjectURL(new Blob(['var kept = []; for (;;) {'\n"
             "    + ' var block = new Uint8Array(16 * 1024 * 1024);'\n"
             "    + ' for (var i = 0; i < block.length; i += 4096) block[i] = 1;'\n"
             "    + ' kept.push(block); }']));\n"
             "  window.workers = [];\n"
             "  setTimeout(function () {\n"
             "    for (var i = 0; i < 4; ++i) window.workers.push(new Worker(code));\n"
             "  }, 3000);\n"
             "})();</script>\n");
     }},
    {Hostility::BusySharedWorkers, "busy-shared-workers",
     [](const AdContext& c) {
         // Each has a name of its own, so each is a worker of its own; a page without them
         // says so instead of failing.
         return "<script>(function () {\n"
                "  var h = window.hostile = {workers: 0, refused: ''};\n"
                "  window.sharedWorkers = [];\n"
                "  try {\n"
                "    for (var i = 0; i < " +
                std::to_string(kBusySharedWorkers) +
                "; ++i) {\n"
                "      sharedWorkers.push(new SharedWorker(" +
                scriptJson(c.origin + kBusyWorkerPath + adQuery(c)) +
                ", 'busy-' + i));\n"
                "      h.workers++;\n"
                "    }\n"
                "  } catch (e) { h.refused = e.name; }\n"
                "})();</script>\n";
     }},
    {Hostility::BusyServiceWorker, "busy-service-worker",
     [](const AdContext& c) {
         return "<script>(function () {\n"
                "  var h = window.hostile = {registered: 'asked'};\n"
                "  if (!navigator.serviceWorker) { h.registered = 'absent'; return; }\n"
                "  navigator.serviceWorker.register(" +
                scriptJson(c.origin + kBusyWorkerPath + adQuery(c)) +
                ").then(function () { h.registered = 'yes'; },\n"
                "    function (e) { h.registered = e.name; });\n"
                "})();</script>\n";
     }},
    {Hostility::Sound, "sound",
     [](const AdContext&) {
         return std::string(
             "<script>(function () {\n"
             "  var h = window.hostile = {heard: [], context: [], played: [], events: [],\n"
             "                            taps: 0, volume: 1, beats: 0};\n"
             "  setInterval(function () { h.beats++; }, 100);\n"
             "  function say(when) {\n"
             "    if (!window.speechSynthesis) { h.heard.push(when + ' absent'); return; }\n"
             "    var u = new SpeechSynthesisUtterance('Play now and win a prize');\n"
             "    u.volume = h.volume;\n"
             "    ['start', 'end', 'error'].forEach(function (name) {\n"
             "      u.addEventListener(name, function (e) {\n"
             "        h.heard.push(when + ' ' + name + (e.error ? ' ' + e.error : ''));\n"
             "      });\n"
             "    });\n"
             "    speechSynthesis.speak(u);\n"
             "  }\n"
             // A tone of its own, so the page needs nothing more from the network: a fifth of
             // a second of 440 Hz, as a WAV file.
             "  function toneFile() {\n"
             "    var rate = 8000, n = 1600, b = [];\n"
             "    function word(v, size) { for (var i = 0; i < size; i++) b.push((v >> (8 * i)) & "
             "255); }\n"
             "    function text(t) { for (var i = 0; i < t.length; i++) b.push(t.charCodeAt(i)); "
             "}\n"
             "    text('RIFF'); word(36 + 2 * n, 4); text('WAVEfmt '); word(16, 4); word(1, 2);\n"
             "    word(1, 2); word(rate, 4); word(2 * rate, 4); word(2, 2); word(16, 2);\n"
             "    text('data'); word(2 * n, 4);\n"
             "    for (var i = 0; i < n; i++) word(Math.round(8000 * Math.sin(i * 0.3456)), 2);\n"
             "    return 'data:audio/wav;base64,' + btoa(String.fromCharCode.apply(null, b));\n"
             "  }\n"
             "  var context = null, gain = null;\n"
             "  try {\n"
             "    context = new AudioContext();\n"
             "    gain = context.createGain();\n"
             "    var tone = context.createOscillator();\n"
             "    tone.connect(gain);\n"
             "    gain.connect(context.destination);\n"
             "    tone.start();\n"
             "  } catch (e) { h.context.push('absent ' + e.name); }\n"
             "  var audio = new Audio(toneFile());\n"
             "  audio.loop = true;\n"
             "  function resume(when) {\n"
             "    if (!context) return;\n"
             "    gain.gain.value = h.volume;\n"
             "    context.resume().then(function () { h.context.push(when + ' ' + context.state); "
             "},\n"
             "      function (e) { h.context.push(when + ' ' + e.name); });\n"
             "  }\n"
             "  function play(when) {\n"
             "    audio.volume = h.volume;\n"
             "    audio.play().then(function () { h.played.push(when + ' playing'); },\n"
             "      function (e) { h.played.push(when + ' ' + e.name); });\n"
             "  }\n"
             "  function everything(when) { say(when); resume(when); play(when); }\n"
             "  everything('untouched');\n"
             // The game's events, and the answer to a question of its own, each a script
             // the game runs in the page.
             "  window.RADE_ReceiveMessage = function (name) {\n"
             "    h.events.push(name);\n"
             "    everything('event');\n"
             "  };\n"
             "  var ask = document.createElement('iframe');\n"
             "  ask.style.display = 'none';\n"
             "  ask.src = 'gmsg://movuroute/canOpenURLs?urls=' +\n"
             "      encodeURIComponent('https://example.com/,steam://run/1');\n"
             "  document.body.appendChild(ask);\n"
             "  h.state = function () { return context ? context.state : 'none'; };\n"
             "  h.time = function () { return context ? context.currentTime : 0; };\n"
             "  document.addEventListener('click', function (e) {\n"
             "    if (!e.isTrusted) return;\n"
             "    h.taps++;\n"
             "    everything('tapped');\n"
             "  }, true);\n"
             "})();</script>\n");
     }},
    {Hostility::OpenableFlood, "openable-flood",
     [](const AdContext&) {
         // Each text another app's address, none twice, so each has an answer of its own.
         return messageFlood(
             "  var texts = [];\n"
             "  for (var i = 0; i < " +
                 std::to_string(kOpenableFloodTexts) +
                 "; ++i) texts.push('m:' + i.toString(36));\n"
                 "  var urls = texts.join(',');\n",
             "'gmsg://movuroute/canOpenURLs?urls=' + urls + '&n=' + n",
             1000 / kMessageFloodPerSecond, false);
     }},
    {Hostility::HugeMessages, "huge-messages",
     [](const AdContext&) { return hugeMessages(false); }},
    {Hostility::HugeMessagesByLocation, "huge-messages-by-location",
     [](const AdContext&) { return hugeMessages(true); }},
    {Hostility::VideoLoop, "video-loop",
     [](const AdContext& c) {
         // The creative's own event script keeps hearing the other events (onshow, ...).
         return "<script>(function () {\n"
                "  var h = window.hostile = {video: []};\n"
                "  var events = " +
                scriptJson(adLinks(c).events) +
                ";\n"
                "  function video(query) {\n"
                "    var frame = document.createElement('iframe');\n"
                "    frame.style.display = 'none';\n"
                "    frame.src = 'gmsg://movuroute/video?' + query;\n"
                "    document.body.appendChild(frame);\n"
                "  }\n"
                "  var before = window.RADE_ReceiveMessage;\n"
                "  window.RADE_ReceiveMessage = function (name, info) {\n"
                "    if (name !== 'onVideoEvent') { if (before) before(name, info); return; }\n"
                "    if (!info || info.event === 'timeupdate') return;\n"
                "    h.video.push(info.event);\n"
                "    new Image().src = events + '&name=onVideoEvent&video=' +\n"
                "        encodeURIComponent(info.event);\n"
                "    if (info.event === 'canplaythrough') video('action=play');\n"
                "    if (info.event === 'ended') {\n"
                "      video('action=currentTime&time=0');\n"
                "      video('action=play');\n"
                "    }\n"
                "  };\n"
                "  video('action=new');\n"
                "  video('action=src&src=' + encodeURIComponent(" +
                scriptJson(c.origin + kMediaClipPath) +
                "));\n"
                "})();</script>\n";
     }},
    {Hostility::HugeAnswers, "huge-answers",
     [](const AdContext&) { return hugeAnswers(kHugeAnswersPeriodMs); }},
    {Hostility::HugeAnswersSlowly, "huge-answers-slowly",
     [](const AdContext&) { return hugeAnswers(kHugeAnswersSlowPeriodMs); }},
    {Hostility::FragmentFlood, "fragment-flood",
     [](const AdContext& c) {
         return inPlaceFlood(
             c, "    for (var i = 0; i < 200; ++i) location.hash = 's' + (h.n++ % 2 + 1);");
     }},
    {Hostility::LargeFragmentFlood, "large-fragment-flood",
     [](const AdContext& c) {
         return inPlaceFlood(c, "    for (var i = 0; i < 10; ++i) location.hash = big + h.n++;");
     }},
    {Hostility::HistoryFlood, "history-flood",
     [](const AdContext& c) {
         return inPlaceFlood(
             c,
             "    for (var i = 0; i < 200; ++i) {\n"
             "      try { history.pushState(null, '', '?' + long + h.n++); } catch (e) {}\n"
             "    }");
     }},
};

// A row is found by its enum value.
constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < std::size(kCreatives); ++i) {
        if (kCreatives[i].hostility != Hostility(i)) return false;
    }
    return true;
}
static_assert(inEnumOrder(), "kCreatives lists every Hostility once, in the enum's order");

const HostileCreative& creative(Hostility hostility) {
    const auto at = std::size_t(hostility);
    return at < std::size(kCreatives) ? kCreatives[at] : kCreatives[0];
}

}  // namespace

std::string_view hostilityName(Hostility hostility) {
    return creative(hostility).name;
}

std::optional<Hostility> hostilityNamed(std::string_view name) {
    for (const auto& row : kCreatives) {
        if (row.name == name) return row.hostility;
    }
    return std::nullopt;
}

std::vector<std::string_view> hostilityNames() {
    std::vector<std::string_view> names;
    for (const auto& row : kCreatives) {
        if (row.hostility != Hostility::None) names.push_back(row.name);
    }
    return names;
}

std::string hostilePart(Hostility hostility, const AdContext& c) {
    return creative(hostility).part(c);
}

}  // namespace tools::adserver
