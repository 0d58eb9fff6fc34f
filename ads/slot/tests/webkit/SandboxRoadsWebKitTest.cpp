// The roads out of an ad's page that no earlier creative tried, one test per class, on real
// WebKit against our loopback ad server with the rooms loaded as the program loads them: the
// display (new windows, the pointer, the keyboard and its focus, the inspector), the devices
// and the desktop's services a script may ask for, addresses of other kinds than the web's
// and the SDK core page's own messages, and the engine's processes and connections once the
// ad is gone. docs/ARCHITECTURE.md (section 14) keeps the table of every road with the test
// that shows it. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/DesktopSeat.h"
#include "platform/testing/DesktopWindows.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/testing/WebProcesses.h"
#include "platform/ui/Application.h"
#include "platform/web/WebView.h"
#include "platform/web/WebViewTypes.h"

namespace ads {
namespace {

using platform::testing::describe;
using platform::testing::desktopSeat;
using platform::testing::desktopWindows;
using platform::testing::mappedWindowsOf;
using platform::testing::networkProcesses;
using platform::testing::webProcesses;
using platform::web::WebKeyEvent;
using platform::web::WebMouseEvent;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

constexpr const char* kHostileUnit = "ca-movu-roads";

// What every page here starts with: `send` hands the SDK a page message, as creatives do.
constexpr const char* kPageHead =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body style=\"margin: 0\">\n"
    "<script>function send(u) { var f = document.createElement('iframe'); "
    "f.style.display = 'none'; f.src = u; document.body.appendChild(f); }</script>\n";

// The engine's processes that could hold a window of their own.
std::vector<pid_t> engineProcesses() {
    auto all = webProcesses();
    const auto network = networkProcesses();
    all.insert(all.end(), network.begin(), network.end());
    return all;
}

class SandboxRoadsWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    SandboxRoadsWebKitTest() : HostileInterstitialsFixture(kHostileUnit) {}

    void SetUp() override {
        HostileInterstitialsFixture::SetUp();
        // The player is at the game, so a tap lets the ad's one opening through the gate.
        platform::ui::Application::shared().becomeActive();
        // Whatever an ad gets past the gate is written down here, never started.
        platform::ui::Application::shared().setDesktopOpener(
            [this](const std::vector<std::string>& argv) {
                opened.insert(opened.end(), argv.begin(), argv.end());
                return true;
            });
    }
    void TearDown() override {
        HostileInterstitialsFixture::TearDown();
        platform::ui::Application::shared().setDesktopOpener({});
    }

    // The interstitial whose whole creative is `body` (after kPageHead), loaded.
    std::shared_ptr<GADInterstitial> loadPage(const std::string& body) {
        ads.server().setScenario(kHostileUnit, AdScenario::interstitial().withHtml(
                                                   kPageHead + body + "\n</body></html>"));
        auto interstitial = load(kHostileUnit, hostileDelegate);
        EXPECT_TRUE(waitFor([&] { return !hostileDelegate->log.empty(); }));
        EXPECT_EQ(hostileDelegate->log, (Log{"received"}));
        return interstitial;
    }
    static std::shared_ptr<platform::web::WebView> webView(
        const std::shared_ptr<GADInterstitial>& ad) {
        return ad->slot()->adView()->webView();
    }
    // The page's answer to a script, with a second of patience.
    static std::string ask(const std::shared_ptr<GADInterstitial>& ad, const std::string& script) {
        return webView(ad)->stringByEvaluatingJavaScriptFromString(script, 1);
    }
    // Lets `seconds` of real time go by with the loop turning.
    void let(double seconds) {
        waitFor([] { return false; }, seconds);
    }
    // Requests either server saw whose query says they came from the page as `kind`.
    std::size_t pageRequests(const std::string& kind) {
        std::size_t count = 0;
        for (const auto& request : ads.log().all()) {
            if (request.param("k") == kind) ++count;
        }
        return count + other.requestsFor("/" + kind).size();
    }

    std::vector<std::string> opened;
    // Another site, for what a page reaches besides its ad server.
    platform::testing::TestHttpServer other;
};

// A tap lets a page ask for everything a desktop browser would give it: windows, the screen,
// the pointer, the keyboard's focus, a drag, a context menu, the inspector by its keys. Each
// must stay inside the view: no window of the game's or the engine's processes on the
// display, the pointer and keyboard free for every program, the keyboard's focus where it was,
// no new process, and the page still where it was.
TEST_F(SandboxRoadsWebKitTest, TheDisplaysWindowsPointerAndKeyboardStayOutOfThePagesReach) {
    auto ad = loadPage(R"(
<div id="area" style="height: 240px; margin-top: 40px; background: #336">tap</div>
<a id="link" href="/mads/landing?k=link" target="_blank" style="display: block; height: 60px">a
link</a>
<div draggable="true" style="height: 60px">draggable</div>
<input id="field" style="display: block; height: 30px">
<video id="video" controls style="width: 100px; height: 40px"></video>
<form id="form" target="_blank" action="/mads/landing"><input name="k" value="form"></form>
<script>
window.r = {windows: 0, refused: 0, keys: 0, menus: 0, drags: 0};
var start = location.href;
document.addEventListener('keydown', function () { r.keys++; });
document.addEventListener('contextmenu', function () { r.menus++; });
document.addEventListener('dragstart', function (e) {
  r.drags++;
  r.dragged = (r.dragged || '') + (e.target.tagName || e.target.nodeName) + ' ';
});
document.getElementById('area').addEventListener('click', function (e) {
  if (!e.isTrusted || r.tapped) return;
  r.tapped = true;
  for (var i = 0; i < 20; ++i) {
    r.windows++;
    if (!window.open('/mads/landing?k=open&n=' + i, '_blank', 'width=300,height=300')) r.refused++;
  }
  document.getElementById('link').click();
  document.getElementById('form').submit();
  document.getElementById('field').focus();
  window.focus();
  document.body.style.cursor = 'none';
  document.body.requestPointerLock();
  var root = document.documentElement;
  var full = root.requestFullscreen || root.webkitRequestFullscreen;
  var entering = full && full.call(root);
  if (entering && entering.catch) entering.catch(function () {});
  try { document.getElementById('video').webkitEnterFullscreen(); } catch (e) {}
  window.moveTo(0, 0);
  window.resizeTo(2000, 2000);
  window.close();
  history.back();
});
</script>)");
    const auto windowsBefore = desktopWindows();
    const auto processesBefore = webProcesses();
    const std::string url = webView(ad)->url()->absoluteString();
    show(ad);
    let(1);

    tap({160, 150});
    ASSERT_TRUE(waitFor([&] { return ask(ad, "String(r.tapped)") == "true"; }));
    auto view = webView(ad);
    // A swipe across the link and the draggable element, a context menu, and the inspector's
    // keys, straight to the page: the game forwards no key, so this is the only way one comes.
    for (double y : {310.0, 370.0}) {
        view->sendMouseEvent({WebMouseEvent::Type::Move, {20, y}, 1});
        view->sendMouseEvent({WebMouseEvent::Type::Down, {20, y}, 1});
        for (int i = 1; i <= 10; ++i) {
            view->sendMouseEvent({WebMouseEvent::Type::Move, {20.0 + i * 15, y + i * 3}, 1});
            ask(ad, "0");
        }
        view->sendMouseEvent({WebMouseEvent::Type::Up, {170, y + 30}, 1});
    }
    view->sendMouseEvent({WebMouseEvent::Type::Down, {160, 150}, 3});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {160, 150}, 3});
    for (const WebKeyEvent& key : {WebKeyEvent{true, 'I', 1 | 4}, WebKeyEvent{false, 'I', 1 | 4},
                                   WebKeyEvent{true, 0xffc9, 0}, WebKeyEvent{false, 0xffc9, 0}}) {
        view->sendKeyEvent(key);
    }
    ASSERT_TRUE(waitFor([&] { return ask(ad, "[r.keys, r.menus, r.drags].join()") == "2,1,2"; }))
        << ask(ad, "JSON.stringify(r)");
    let(2);

    // window.open gave the page no second window, not once.
    EXPECT_EQ(ask(ad, "[r.windows, r.refused].join()"), "20,20");
    const auto windowsAfter = desktopWindows();
    EXPECT_EQ(windowsAfter.shownGtkToplevels, windowsBefore.shownGtkToplevels)
        << "before: " << describe(windowsBefore) << "\nafter: " << describe(windowsAfter);
    EXPECT_EQ(windowsAfter.mappedRootChildren, windowsBefore.mappedRootChildren)
        << "before: " << describe(windowsBefore) << "\nafter: " << describe(windowsAfter);
    EXPECT_TRUE(mappedWindowsOf(engineProcesses()).empty());
    // Nobody holds the pointer or the keyboard, and the keyboard's focus is on nothing of
    // ours or the engine's.
    const auto seat = desktopSeat();
    auto ours = engineProcesses();
    ours.push_back(getpid());
    EXPECT_TRUE(seat.pointerFree && seat.keyboardFree) << describe(seat);
    EXPECT_EQ(std::count(ours.begin(), ours.end(), seat.inputFocusOwner), 0) << describe(seat);
    EXPECT_EQ(webProcesses(), processesBefore);
    // Neither closed, moved back in its history, nor led anywhere by its own hand.
    EXPECT_EQ(webView(ad)->url()->absoluteString(), url);
    EXPECT_EQ(ask(ad, "location.href === start"), "true");
    EXPECT_EQ(ask(ad, "String(!!document.fullscreenElement || !!document.pointerLockElement)"),
              "false");
    EXPECT_EQ(pageRequests("form"), 0u);
}

// The devices and the desktop's services a script may ask for, untouched and after a tap: each
// is refused or never answered, none is given, and the interfaces that would reach further
// (peer connections, sharing, hardware buses, payments, the file system) are not there.
TEST_F(SandboxRoadsWebKitTest, DevicesAndTheDesktopsServicesAreGivenToNoPage) {
    auto ad = loadPage(R"(
<div id="area" style="height: 400px; margin-top: 40px">tap</div>
<script>
window.r = {given: [], refused: {}, present: []};
function given(name) { return function () { r.given.push(name); }; }
function refused(name) { return function (e) { r.refused[name] = e && e.name || String(e); }; }
function attempt(name, call) { try { call(); } catch (e) { r.refused[name] = 'absent'; } }
function ask(when) {
  attempt('media ' + when, function () {
    navigator.mediaDevices.getUserMedia({audio: true, video: true})
        .then(given('media ' + when), refused('media ' + when));
  });
  attempt('devices ' + when, function () {
    navigator.mediaDevices.enumerateDevices().then(function (devices) {
      devices.forEach(function (d) { if (d.label || d.deviceId) r.given.push('device ' + when); });
      r.refused['devices ' + when] = devices.length;
    });
  });
  attempt('location ' + when, function () {
    navigator.geolocation.getCurrentPosition(given('location ' + when), function (e) {
      r.refused['location ' + when] = e.code;
    });
  });
  attempt('notify ' + when, function () {
    Notification.requestPermission().then(function (p) {
      if (p === 'granted') r.given.push('notify ' + when); else r.refused['notify ' + when] = p;
    });
  });
  attempt('wake ' + when, function () {
    navigator.wakeLock.request('screen').then(given('wake ' + when), refused('wake ' + when));
  });
  attempt('persist ' + when, function () {
    navigator.storage.persist().then(function (p) { if (p) r.given.push('persist ' + when); });
  });
}
ask('untouched');
// Sound needs a tap; after one an ad may play it, as it may on any page.
new Audio('data:audio/wav;base64,UklGRiQAAABXQVZFZm10IBAAAAABAAEAQB8AAIA+AAACABAAZGF0YQAAAAA=')
    .play().then(given('sound'), refused('sound untouched'));
r.audio = new AudioContext().state;
['RTCPeerConnection', 'PaymentRequest', 'showOpenFilePicker', 'IdleDetector'].forEach(
    function (name) { if (name in window) r.present.push(name); });
['share', 'bluetooth', 'usb', 'hid', 'serial', 'requestMIDIAccess', 'credentials'].forEach(
    function (name) { if (name in navigator) r.present.push(name); });
document.getElementById('area').addEventListener('click', function (e) {
  if (!e.isTrusted || r.tapped) return;
  r.tapped = true;
  ask('tapped');
  navigator.mediaDevices.getDisplayMedia().then(given('screen'), refused('screen'));
});
</script>)");
    show(ad);
    let(1);
    tap({160, 200});
    // The answers that come at all come within a moment; a few of the engine's never come.
    const std::string answered =
        R"(["devices untouched","location untouched","notify untouched","wake untouched",)"
        R"("sound untouched","devices tapped","location tapped","notify tapped","wake tapped"])";
    ASSERT_TRUE(waitFor([&] {
        return ask(ad, "JSON.stringify(" + answered +
                           ".filter(function (k) { return k in r.refused; }))") == answered;
    })) << ask(ad, "JSON.stringify(r)");
    let(2);
    EXPECT_EQ(ask(ad, "JSON.stringify(r.given)"), "[]") << ask(ad, "JSON.stringify(r)");
    EXPECT_EQ(ask(ad, "JSON.stringify(r.present)"), "[]");
    // No device, no place and no notification; sound only after a tap.
    EXPECT_EQ(ask(ad,
                  "JSON.stringify([r.refused['devices untouched'], "
                  "r.refused['location tapped'], r.refused['notify tapped'], "
                  "r.refused['sound untouched'], r.audio])"),
              R"([0,1,"denied","NotAllowedError","suspended"])");
}

// Addresses of every other kind a page may name, in frames, as links the player taps and as
// its own next page, a site whose certificate nobody trusts, and the SDK core page's own
// messages sent by an ad: nothing opens on the desktop, nothing of the disk reaches the page,
// the page stays where it was, and neither the untrusted site nor the ad server hears a call.
TEST_F(SandboxRoadsWebKitTest, OtherKindsOfAddressAndTheCorePagesMessagesLeadNowhere) {
    // A site whose certificate nobody trusts: the engine refuses it, nobody is asked.
    platform::testing::TestHttpServer untrusted(platform::testing::TestHttpServer::Scheme::Https);
    untrusted.text("/frame.html", "<p>untrusted</p>", 200, "text/html");
    const std::size_t adRequests = ads.log().count(RequestKind::AdRequest);
    auto ad = loadPage(R"(<iframe src=")" + untrusted.url("/frame.html") + R"("
        style="position: absolute; left: 0; bottom: 0; width: 1px; height: 1px"></iframe>
<a id="app" href="steam://run/1" style="display: block; height: 200px; margin-top: 40px">an
app's link</a>
<a id="file" href="file:///etc/passwd" style="display: block; height: 200px">a file</a>
<script>
window.r = {frames: 0, read: 'nothing', taps: 0};
var O = location.origin;
var kinds = ['file:///etc/passwd', 'data:text/html,<p>data</p>', 'javascript:void(0)',
             'about:blank', 'steam://run/1', 'intent://x#Intent;scheme=http;end',
             'mailto:a@example.com', 'tel:123', 'movuroute-resource://intercept/?u=x',
             'blob:' + O + '/none', 'ftp://127.0.0.1/x', 'view-source:' + O];
kinds.forEach(function (u) {
  var f = document.createElement('iframe');
  f.src = u;
  f.onload = function () {
    r.frames++;
    try { if (/root:/.test(f.contentDocument.body.textContent)) r.read = 'passwd'; } catch (e) {}
  };
  document.body.appendChild(f);
});
fetch('file:///etc/passwd').then(function (a) { return a.text(); })
    .then(function (t) { r.read = t.slice(0, 5); }, function () {});
var request = {http_request_id: '7', url: O + '/mads/large_body?bytes=7&k=core-fetch'};
send('gmsg://movuroute/fetchHttpRequest?http_request=' +
     encodeURIComponent(JSON.stringify(request)));
send('gmsg://movuroute/loadAdURL?request_id=1&ad_url=' +
     encodeURIComponent(O + '/mads/large_body?bytes=7&k=core-ad-url'));
send('gmsg://movuroute/loadSdkConstants?constants=%7B%7D');
document.addEventListener('click', function (e) {
  if (!e.isTrusted || r.taps++) return;
  ['file:///etc/passwd', 'data:text/html,<p>data</p>', 'steam://run/2', 'about:blank']
      .forEach(function (u, i) { setTimeout(function () { location.href = u; }, i * 200); });
}, true);
</script>)");
    const std::string url = webView(ad)->url()->absoluteString();
    show(ad);
    let(1);
    // Each tap is an opening the gate lets through: a link to another app, then one to a file.
    tap({160, 140});
    ASSERT_TRUE(waitFor([&] { return ask(ad, "String(r.taps)") == "1"; }));
    let(1);
    tap({160, 340});
    ASSERT_TRUE(waitFor([&] { return ask(ad, "String(r.taps)") == "2"; }));
    let(2);
    EXPECT_TRUE(opened.empty()) << ::testing::PrintToString(opened);
    EXPECT_EQ(webView(ad)->url()->absoluteString(), url);
    EXPECT_EQ(ask(ad, "r.read"), "nothing");
    EXPECT_EQ(pageRequests("core-fetch") + pageRequests("core-ad-url"), 0u);
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), adRequests + 1) << serverLog();
    EXPECT_EQ(untrusted.requestCount("/frame.html"), 0u);
}

// What a page leaves running: frames of other sites, a worker, a request every half second, a
// stream of server events, a socket, and fifty beacons on its way out; and what it is not
// given: a shared worker, and a service worker of another site, which the engine would run in
// a process of their own. Frames of other sites share the page's process, and no process is
// started for the page; favicons and prefetches are never fetched; once the ad is closed and
// let go, nothing of the page reaches either server any more.
TEST_F(SandboxRoadsWebKitTest, APagesFramesWorkersAndConnectionsGoWithItsAd) {
    other.text("/frame.html",
               "<script>parent.postMessage(navigator.serviceWorker ? 'offered' : 'absent', '*');"
               "if (navigator.serviceWorker) navigator.serviceWorker.register('/worker.js');"
               "</script>",
               200, "text/html");
    other.text("/worker.js", "setInterval(function () { fetch('/service-tick'); }, 300);", 200,
               "application/javascript");
    other.text("/plain.html", "<p>another site</p>", 200, "text/html");
    for (const char* path : {"/service-tick", "/beacon", "/icon", "/prefetch"}) {
        other.text(path, "ok");
    }
    // The engine up with an ad of its own, so that what stays running is known.
    auto warm = std::make_shared<RecordingDelegate>();
    load(kNextUnit, warm);
    ASSERT_TRUE(waitFor([&] { return !warm->log.empty(); }));
    const auto running = webProcesses();
    const std::string site = other.url("");
    const std::string otherHost = "http://localhost:" + std::to_string(other.port());
    auto ad = loadPage(R"(
<iframe src=")" + site +
                       R"(/frame.html"></iframe>
<iframe src=")" + otherHost +
                       R"(/plain.html"></iframe>
<link rel="icon" href=")" +
                       site + R"(/icon">
<link rel="prefetch" href=")" +
                       site + R"(/prefetch">
<script>
window.r = {};
var O = location.origin;
window.addEventListener('message', function (e) { r.service = e.data; });
function tick(kind) { return 'fetch("' + O + '/mads/after?k=' + kind + '").catch(function () {})'; }
setInterval(function () { eval(tick('page')); }, 500);
new Worker(URL.createObjectURL(new Blob(['setInterval(function () { ' + tick('worker') +
                                         ' }, 500);'])));
r.shared = typeof SharedWorker;
if (window.SharedWorker) {
  new SharedWorker(URL.createObjectURL(new Blob(['onconnect = function () {}; ' +
      'setInterval(function () { ' + tick('shared') + ' }, 500);'])));
}
new EventSource(O + '/mads/after?k=events');
try { new WebSocket('ws://127.0.0.1:' + location.port + '/mads/after?k=socket'); } catch (e) {}
window.addEventListener('pagehide', function () {
  for (var i = 0; i < 50; ++i) navigator.sendBeacon(')" +
                       site + R"(/beacon?n=' + i, 'x');
});
</script>)");
    ASSERT_TRUE(waitFor([&] {
        return ask(ad, "String(r.service)") != "undefined" && pageRequests("worker") > 0;
    })) << ask(ad, "JSON.stringify(r)")
        << "\n"
        << serverLog();
    EXPECT_EQ(ask(ad, "[r.service, r.shared].join()"), "absent,undefined");
    show(ad);
    let(1);
    EXPECT_EQ(other.requestCount("/icon") + other.requestCount("/prefetch"), 0u);
    EXPECT_EQ(other.requestCount("/worker.js") + pageRequests("shared"), 0u);
    EXPECT_EQ(webProcesses(), running);

    closeWithOurButton();
    interstitials.erase(std::find(interstitials.begin(), interstitials.end(), ad));
    ad.reset();
    // Once the ad is gone its page's requests stop: its own thread's and its worker's.
    auto requestsSoFar = [&] {
        return pageRequests("page") + pageRequests("worker") + pageRequests("events");
    };
    std::size_t seen = requestsSoFar();
    auto quietSince = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitFor(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            if (requestsSoFar() != seen) {
                seen = requestsSoFar();
                quietSince = now;
            }
            return now - quietSince > std::chrono::seconds(3);
        },
        40))
        << serverLog();
    EXPECT_EQ(webProcesses(), running);
    // Sent once, on the way out, within the engine's own allowance for them.
    EXPECT_LE(other.requestCount("/beacon"), 50u);
    RecordProperty("beaconsAfterTheAdWent", std::to_string(other.requestCount("/beacon")));
}

}  // namespace
}  // namespace ads
