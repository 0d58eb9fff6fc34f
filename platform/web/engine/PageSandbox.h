#pragma once

// What a page may not do outside its view. Our pages are ads and the sites they lead to; they
// run in views nobody sees as a browser window, on the game's main thread. WebKit's own answers
// to a page's requests for the desktop open windows there (print and file dialogs, pop-up
// menus, colour choosers, the picture of a drag), wait on a person who never comes (script dialogs,
// HTTP authentication), take the screen or the pointer (full screen, pointer lock) or save what the
// page sends into the user's home (downloads). Confined, a page gets at once the answer of a
// person who said no:
//
// - printing does nothing; file and colour choosers, <select> pop-ups and context menus are
//   closed unopened (a refused pop-up closes on the next turn of the loop, once WebKit listens);
// - alert() returns, confirm() is false and prompt() null, as after Escape; a "leave this
//   page?" question is answered "leave", since our own code reuses and reloads its views;
// - HTTP authentication goes on without credentials, so the server's refusal is the page;
// - a drag (of a link, a picture, a selection or a draggable element) is cancelled as it
//   starts: the engine's drag is the desktop's, with a window for its picture;
// - full screen is off and refused, tooltips never show, and every permission a page may ask
//   for (notifications, location, camera and microphone, pointer lock, clipboard, storage
//   access, media keys, plug-in installs) is denied, as is every query of one;
// - a response that is an attachment, or that the engine cannot show, is not loaded, and every
//   download the context starts (attachments, <a download>, blob: URLs, the API's own) is
//   cancelled before its destination is chosen, so not a byte reaches the disk.
//
// Some of what the engine offers a page is not answered but never offered (newSettings):
//
// - shared and service workers, which the engine runs in a process of their own, one per
//   site, and starts again as soon as it ends, for as long as a page of the site asks: four
//   busy shared workers had their process ended by our watch every 4.5 s and brought back
//   half a second later, 11 processes and 166 s of CPU in 50 s. A page that needs the work
//   has dedicated workers, which run in its own process and go with it;
// - <datalist> suggestions, which the engine shows in a window of the game's process made
//   transient for the view's offscreen window, which it cannot be (a GLib warning at every tap
//   on an <input list>); the field is a plain text field.
//
// Each refusal that is logged spends a line of the page's budget (setPageLog), so a page that
// asks again and again costs the log its budget and no more; a view without one spends the
// engine's (EngineLog.h). Printing and the script dialogs are answered the same way in the
// page's own process first (our web-process extension), since the engine's way to these
// handlers holds the game's main thread for a round trip each time; these stay behind it.
// Speech before a tap is refused there alone: the engine speaks from the web process and asks
// the game nothing.
//
// Main thread only. Both calls may be made again on the same object; the second does nothing.
// confineView also confines the view's web context.

#include <memory>

#include "platform/base/LogBudget.h"

typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace platform::web {

// Settings for a new view (a reference of the caller's), with what no page is offered turned
// off. They must be given as the view is made: the engine shares one web process only among
// views whose settings for the web process agree, and what a context's anchor has the others
// need to have too.
WebKitSettings* newSettings();

void confineView(WebKitWebView* view);
void confineContext(WebKitWebContext* context);
// The budget the view's refusals spend from now on; the view keeps it while it lives.
void setPageLog(WebKitWebView* view, std::shared_ptr<LogBudget> log);
// Logs a refusal of what the view's page asked: a line of the page's budget, or, for a view
// that has none (an anchor, no view at all), of the engine's.
void refusalLine(WebKitWebView* view, const char* line);

}  // namespace platform::web
