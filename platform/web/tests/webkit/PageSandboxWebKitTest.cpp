// What a page asks of the desktop, on real WebKit with pages from a loopback server: pop-up
// menus, choosers, full screen, the pointer, permissions, script dialogs, printing, a "leave
// this page?" question, an HTTP login and speech before a tap. Each is answered at once as a
// person saying no would, no window appears on the display, and the page goes on.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include <httplib.h>

#include "platform/base/LogSink.h"
#include "platform/testing/DesktopWindows.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

using namespace platform;
using namespace platform::web;
using platform::testing::describe;
using platform::testing::desktopWindows;

namespace {

// A select, a colour input and an area whose tap asks for the pointer and the screen; what
// the page heard is kept in `r`.
constexpr const char* kAskingPage = R"(<!DOCTYPE html>
<body style="margin: 0">
<select id="s" style="display: block; width: 200px; height: 30px"><option>a</option>
<option>b</option></select>
<input id="c" type="color" style="display: block; width: 200px; height: 30px; margin-top: 10px">
<div id="area" style="height: 300px; margin-top: 10px; background: #ccc" title="a tip"></div>
<script>
window.r = {taps: 0, menus: 0};
document.addEventListener('contextmenu', function () { r.menus++; });
document.getElementById('area').addEventListener('click', function () {
  r.taps++;
  document.onpointerlockchange = function () { r.lock = 'locked'; };
  document.onpointerlockerror = function () { r.lock = 'refused'; };
  document.body.requestPointerLock();
  var root = document.documentElement;
  var request = root.requestFullscreen || root.webkitRequestFullscreen;
  if (request) request.call(root); else r.full = 'unavailable';
});
['fullscreenchange', 'webkitfullscreenchange'].forEach(function (name) {
  document.addEventListener(name, function () { r.full = 'entered'; });
});
['fullscreenerror', 'webkitfullscreenerror'].forEach(function (name) {
  document.addEventListener(name, function () { r.full = 'refused'; });
});
Notification.requestPermission().then(function (p) { r.notify = p; });
navigator.geolocation.getCurrentPosition(function () { r.geo = 'given'; },
                                         function (e) { r.geo = e.code; });
navigator.permissions.query({name: 'geolocation'}).then(function (s) { r.query = s.state; });
r.fullscreenEnabled = !!(document.fullscreenEnabled || document.webkitFullscreenEnabled);
</script>
</body>)";

struct PageSandboxWebKitTest : WebKitViewFixture {
    PageSandboxWebKitTest() : WebKitViewFixture({320, 480}) {}

    platform::testing::DesktopWindows before;

    void SetUp() override {
        WebKitViewFixture::SetUp();
        before = desktopWindows();
    }
    std::string ask(const std::string& script) {
        return view->stringByEvaluatingJavaScriptFromString(script, 2);
    }
    void click(Point at, int button = 1) {
        view->sendMouseEvent({WebMouseEvent::Type::Move, at, button});
        view->sendMouseEvent({WebMouseEvent::Type::Down, at, button});
        view->sendMouseEvent({WebMouseEvent::Type::Up, at, button});
    }
    // Nothing shown by GTK, nothing newly mapped on the display. (WebKit makes a context
    // menu's window before it offers the menu, and keeps it, hidden, when the menu is refused.)
    void expectNoNewWindow() {
        const auto after = desktopWindows();
        EXPECT_EQ(after.shownGtkToplevels, before.shownGtkToplevels)
            << "before: " << describe(before) << "\nafter: " << describe(after);
        EXPECT_EQ(after.mappedRootChildren, before.mappedRootChildren)
            << "before: " << describe(before) << "\nafter: " << describe(after);
    }
};

}  // namespace

TEST_F(PageSandboxWebKitTest, MenusChoosersTheScreenAndThePointerAreRefusedAndThePageGoesOn) {
    server.text("/asking.html", kAskingPage, 200, "text/html");
    loadAndWait("/asking.html");
    // Permissions asked for without a tap are denied, and so is every query of one.
    ASSERT_TRUE(waitFor([&] {
        return ask("JSON.stringify([r.notify, r.geo, r.query, r.fullscreenEnabled])") ==
               R"(["denied",1,"denied",false])";
    })) << ask("JSON.stringify(r)");

    // The select's pop-up, the colour chooser and a context menu each come and go unseen.
    click({100, 15});
    click({100, 55});
    click({100, 200}, 3);
    ASSERT_TRUE(waitFor([&] { return ask("r.menus") == "1"; })) << ask("JSON.stringify(r)");
    // The pointer and the screen stay the player's.
    click({100, 200});
    ASSERT_TRUE(waitFor([&] {
        return ask("JSON.stringify([r.taps, r.lock, r.full])") == R"([1,"refused","unavailable"])";
    })) << ask("JSON.stringify(r)");
    // A closed pop-up leaves the select as it was, and a second one is refused as the first.
    EXPECT_EQ(ask("document.getElementById('s').value"), "a");
    click({100, 15});
    EXPECT_EQ(ask("document.getElementById('s').selectedIndex = 1, 'b'"), "b");
    EXPECT_EQ(ask("document.getElementById('c').value"), "#000000");
    expectNoNewWindow();
}

TEST_F(PageSandboxWebKitTest, ScriptDialogsPrintingAndTheFileChooserAnswerAtOnceAsIfRefused) {
    // Each is asked while the page loads, so a dialog that waited for a person would hold the
    // load (and the view) for ever.
    server.text("/dialogs.html",
                "<body style='margin: 0'><input id='f' type='file' style='display: block; "
                "width: 200px; height: 40px'><script>window.r = {taps: 0};"
                "document.getElementById('f').onclick = function () { r.taps++; };"
                "r.alert = String(alert('hello'));"
                "r.confirm = confirm('sure?');"
                "r.prompt = prompt('name?', 'someone');"
                "window.print(); r.printed = true;"
                "</script></body>",
                200, "text/html");
    loadAndWait("/dialogs.html");
    EXPECT_EQ(ask("JSON.stringify(r)"),
              R"({"taps":0,"alert":"undefined","confirm":false,"prompt":null,"printed":true})");
    // A tap on the file input offers the page no file, and the page goes on.
    LogSink::Capture log;
    click({100, 20});
    ASSERT_TRUE(waitFor([&] { return ask("r.taps") == "1"; })) << ask("JSON.stringify(r)");
    EXPECT_TRUE(log.contains("asked for a file")) << ::testing::PrintToString(log.lines());
    EXPECT_EQ(ask("document.getElementById('f').files.length"), "0");
    EXPECT_EQ(ask("r.confirm = confirm('again?'), String(r.confirm)"), "false");
    expectNoNewWindow();
}

TEST_F(PageSandboxWebKitTest, ALeaveThisPageQuestionLetsOurNextLoadGoOn) {
    server.text("/staying.html",
                "<body style='height: 400px'><script>window.addEventListener('beforeunload', "
                "function (e) { e.preventDefault(); e.returnValue = 'Stay?'; return 'Stay?'; "
                "});</script></body>",
                200, "text/html");
    server.text("/next.html", "<title>next</title>", 200, "text/html");
    loadAndWait("/staying.html");
    // The engine only asks a page the user touched. Our reload goes on...
    click({100, 100});
    ASSERT_EQ(ask("'touched'"), "touched");
    const int finished = delegate->count("finish");
    view->reload();
    ASSERT_TRUE(waitFor([&] { return delegate->count("finish") > finished; }))
        << ::testing::PrintToString(delegate->calls);
    EXPECT_EQ(server.requestCount("/staying.html"), 2u);
    // ...and so does our next load.
    click({100, 100});
    ASSERT_EQ(ask("'touched'"), "touched");
    loadAndWait("/next.html");
    EXPECT_EQ(view->url()->path(), "/next.html");
    expectNoNewWindow();
}

TEST_F(PageSandboxWebKitTest, AnHttpLoginGoesOnWithoutCredentialsToTheServersRefusal) {
    server.get("/login", [](const httplib::Request&, httplib::Response& res) {
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"ads\"");
        res.set_content("<p id='p'>refused</p>", "text/html");
    });
    loadAndWait("/login");
    EXPECT_EQ(ask("document.getElementById('p').textContent"), "refused");
    ASSERT_EQ(server.requestsFor("/login").size(), 1u);
    EXPECT_FALSE(server.requestsFor("/login")[0].hasHeader("Authorization"));
    expectNoNewWindow();
}

TEST_F(PageSandboxWebKitTest, ASwipeAcrossALinkOrADraggableElementStartsNoDrag) {
    server.text("/drag.html",
                "<body style='margin: 0'><a href='/x' style='display: block; height: 100px'>a "
                "link</a><div draggable='true' style='height: 100px'>draggable</div><script>"
                "window.r = {drags: 0, cancelled: 0}; document.addEventListener('dragstart', "
                "function (e) { r.drags++; if (e.defaultPrevented) r.cancelled++; });</script>"
                "</body>",
                200, "text/html");
    loadAndWait("/drag.html");
    delegate->allow = false;
    for (double y : {50.0, 150.0}) {
        view->sendMouseEvent({WebMouseEvent::Type::Move, {20, y}, 1});
        view->sendMouseEvent({WebMouseEvent::Type::Down, {20, y}, 1});
        // Far past the engine's drag threshold, a move a turn.
        for (int i = 1; i <= 10; ++i) {
            view->sendMouseEvent({WebMouseEvent::Type::Move, {20.0 + i * 15, y + i * 5}, 1});
            ask("0");
        }
        view->sendMouseEvent({WebMouseEvent::Type::Up, {170, y + 50}, 1});
    }
    EXPECT_TRUE(waitFor([&] { return ask("JSON.stringify(r)") == R"({"drags":2,"cancelled":2})"; }))
        << ask("JSON.stringify(r)");
    // The page still takes a tap as a tap.
    view->sendMouseEvent({WebMouseEvent::Type::Down, {20, 50}, 1});
    view->sendMouseEvent({WebMouseEvent::Type::Up, {20, 50}, 1});
    ASSERT_TRUE(waitFor([&] { return delegate->count("should " + server.url("/x")) == 1; }));
    expectNoNewWindow();
}

TEST_F(PageSandboxWebKitTest, FieldsWithPickersOpenNothingHoweverOftenTapped) {
    // Each field 40 pixels high, one under the other, counting the taps it hears. The engine's
    // own answer to each is a pop-over in the view's window (date, date and time), a menu or a
    // chooser (select, colour), a window on the display (the list's suggestions, made
    // transient for the offscreen window, which GTK takes for an X window: an invalid cast at
    // each tap), or nothing of its own (time). The test environment makes any GLib or GTK
    // critical, and any invalid cast, fatal: a picker that left the window's focus on a widget
    // of its own, finalized, fails the next tap, and so does the list's window.
    server.text("/fields.html", R"(<!DOCTYPE html>
<style>body { margin: 0 } input, select { display: block; box-sizing: border-box; width: 320px;
height: 40px; margin: 0 }</style>
<input id="date" type="date" value="2024-05-06"><input id="local" type="datetime-local">
<input id="time" type="time" value="10:30"><input id="color" type="color" value="#00ff00">
<select id="select"><option>a</option><option>b</option></select>
<input id="list" list="fruit"><datalist id="fruit"><option value="apple">
<option value="apricot"></datalist><input id="text">
<script>
window.taps = {};
document.querySelectorAll('input, select').forEach(function (field) {
  taps[field.id] = 0;
  field.addEventListener('mousedown', function () { taps[field.id]++; });
});
</script>)",
                200, "text/html");
    loadAndWait("/fields.html");
    // The list's suggestions are never offered: its field is a plain text field.
    EXPECT_EQ(ask("String('HTMLDataListElement' in window) + ',' + String(list.list)"),
              "false,null");
    const char* fields[] = {"date", "local", "time", "color", "select", "list"};
    for (int round = 0; round < 16; ++round) {
        for (int i = 0; i < 6; ++i) {
            click({160, 20.0 + 40 * i});
            // A turn of the page between taps: what the tap asked of the engine comes first.
            ask("0");
        }
    }
    std::string expected = "{";
    for (const char* field : fields) {
        expected += std::string(expected.size() > 1 ? "," : "") + "\"" + field + "\":16";
    }
    expected += ",\"text\":0}";
    ASSERT_TRUE(waitFor([&] { return ask("JSON.stringify(taps)") == expected; }))
        << ask("JSON.stringify(taps)");
    // Nothing was picked.
    EXPECT_EQ(ask("[date.value, local.value, time.value, color.value, select.value].join()"),
              "2024-05-06,,10:30,#00ff00,a");
    // Typing goes where the player tapped last: into the list's field, whose suggestions would
    // be offered for what is typed, and into a text field after asking there for the emoji
    // chooser (a pop-over too, on Control+.). A turn first: the engine sends keys and the
    // tap's mouse to the page by separate ways.
    const auto type = [&](std::initializer_list<unsigned> keys, unsigned modifiers = 0) {
        ask("0");
        for (unsigned key : keys) {
            view->sendKeyEvent({true, key, modifiers});
            view->sendKeyEvent({false, key, modifiers});
        }
    };
    click({160, 220});
    type({'a'});
    EXPECT_TRUE(waitFor([&] { return ask("list.value") == "a"; })) << ask("list.value");
    // While the field has what its suggestions would be offered for.
    expectNoNewWindow();
    click({160, 260});
    type({'.'}, 4);
    ask("0");
    type({'o', 'k'});
    EXPECT_TRUE(waitFor([&] { return ask("text.value") == "ok"; })) << ask("text.value");
    expectNoNewWindow();
}

TEST_F(PageSandboxWebKitTest, PrintsAndDialogsAreAnsweredInThePagesOwnProcess) {
    // Every way to print a page has, with the built-ins our answers use changed first, and the
    // dialogs. None may reach the game: a refusal there takes its main thread for a round trip.
    server.text("/printing.html",
                "<body><script>window.r = {};"
                "var frame = document.createElement('iframe'); document.body.appendChild(frame);"
                "var borrowed = frame.contentWindow.print;"
                "String.prototype.toLowerCase = function () { return 'changed'; };"
                "Reflect.apply = function () { return 'changed'; };"
                "Function.prototype.apply = function () { return 'changed'; };"
                "window.print(); borrowed.call(window); frame.contentWindow.print();"
                "r.command = document.execCommand('print');"
                "r.shouted = document.execCommand('PRINT');"
                "r.framed = frame.contentDocument.execCommand('print');"
                "r.named = document.execCommand({toString: function () { return 'print'; }});"
                "r.confirm = confirm('sure?'); r.prompt = prompt('name?', 'someone');"
                "r.alert = String(alert('hello'));"
                "r.selected = (document.body.contentEditable = 'true', "
                "document.execCommand('selectAll'));"
                "</script></body>",
                200, "text/html");
    LogSink::Capture log;
    loadAndWait("/printing.html");
    EXPECT_EQ(ask("JSON.stringify(r)"),
              R"({"command":false,"shouted":false,"framed":false,"named":false,"confirm":false,)"
              R"("prompt":null,"alert":"undefined","selected":true})");
    // An iframe made later, and a page loaded after, are answered the same.
    EXPECT_EQ(ask("var late = document.createElement('iframe'); document.body.appendChild(late);"
                  "late.contentWindow.print(), late.contentWindow.confirm('x')"),
              "false");
    loadAndWait("/printing.html");
    EXPECT_EQ(ask("r.confirm"), "false");
    EXPECT_FALSE(log.contains("asked to print")) << ::testing::PrintToString(log.lines());
}

TEST_F(PageSandboxWebKitTest, SpeechBeforeATapIsRefusedInThePagesOwnProcess) {
    // In the page's frame, a frame's, through a method borrowed from a frame, with the
    // built-ins the refusal uses changed first, and a tap faked. Quiet, should one get through.
    server.text("/speaking.html", R"(<body><script>
window.r = {heard: []};
function say(where, speak, synthesis, Utterance) {
  var u = new Utterance('hello');
  u.volume = 0;
  ['start', 'end', 'error'].forEach(function (name) {
    u.addEventListener(name, function (e) {
      r.heard.push(where + ' ' + name + (e.error ? ' ' + e.error : ''));
    });
  });
  speak.call(synthesis, u);
}
var frame = document.createElement('iframe');
document.body.appendChild(frame);
var inFrame = frame.contentWindow;
var borrowed = inFrame.speechSynthesis.speak;
Object.defineProperty(Navigator.prototype, 'userActivation',
                      {get: function () { return {hasBeenActive: true, isActive: true}; }});
EventTarget.prototype.dispatchEvent = function () { r.dispatched = true; };
window.setTimeout = function () { r.timed = true; };
Reflect.apply = function () { return 'changed'; };
Function.prototype.apply = function () { return 'changed'; };
say('page', speechSynthesis.speak, speechSynthesis, SpeechSynthesisUtterance);
say('frame', inFrame.speechSynthesis.speak, inFrame.speechSynthesis,
    inFrame.SpeechSynthesisUtterance);
say('borrowed', borrowed, speechSynthesis, SpeechSynthesisUtterance);
try { speechSynthesis.speak({}); } catch (e) { r.notAnUtterance = e.name; }
try { speechSynthesis.speak(); } catch (e) { r.nothing = e.name; }
</script></body>)",
                200, "text/html");
    loadAndWait("/speaking.html");
    ASSERT_TRUE(waitFor([&] { return ask("String(r.heard.length)") == "3"; }))
        << ask("JSON.stringify(r)");
    // A moment more, for anything that would follow.
    waitFor([] { return false; }, 1);
    EXPECT_EQ(
        ask("JSON.stringify(r)"),
        R"({"heard":["page error not-allowed","frame error not-allowed",)"
        R"("borrowed error not-allowed"],"notAnUtterance":"TypeError","nothing":"TypeError"})");
    EXPECT_EQ(ask("String(speechSynthesis.speaking || speechSynthesis.pending)"), "false");
}
