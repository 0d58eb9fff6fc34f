#pragma once

// What the program and its web-process extension agree on. The extension gets, at start-up,
// the tuple kWebExtensionStartupType: (token, file names, memory limit in megabytes (0: none),
// busy share, busy seconds, busy window in seconds (0: no watch of the cores), report address)
// and later the message kWebExtensionNamesMessage carrying the new file names (an array of
// strings). It redirects every http(s) subresource whose last path component is one of the
// names to
//   movuroute-resource://intercept/?t=<token>&u=<original URL>&r=<Referer>
// (values percent-encoded), which the program serves (WebKitRuntime).
//
// Reports go to the program as datagrams on the report address (a Linux abstract Unix socket
// name, without the leading NUL), each "<token> <what> <value> <process id>": "page <id>" for
// every page the process makes (webkit_web_page_get_id), so the program knows which process
// runs which view. Once the process's resident memory passes the limit, or its threads have
// been busy past the budget (BusyLedger), the extension ends its own process at once, from a
// thread of its own; just before, it reports why: "memory <megabytes>" or "busy <seconds>". The
// program logs it and forgets the process at once (WebKit notices a moment later); the views
// of that process hear that it ended, as after a crash.

namespace platform::web {

inline constexpr const char* kWebExtensionFileName = "libmovuroute-webext.so";
inline constexpr const char* kWebExtensionStartupType = "(sasuddds)";
inline constexpr const char* kWebExtensionNamesMessage = "movuroute.resource-names";
inline constexpr const char* kWebExtensionReportMemory = "memory";
inline constexpr const char* kWebExtensionReportBusy = "busy";
inline constexpr const char* kWebExtensionReportPage = "page";

}  // namespace platform::web
