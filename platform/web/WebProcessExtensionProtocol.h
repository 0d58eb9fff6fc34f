#pragma once

// What the program and its web-process extension agree on. The extension gets, at start-up,
// the tuple (token, file names) and later the message kWebExtensionNamesMessage carrying the
// new file names (an array of strings). It redirects every http(s) subresource whose last path
// component is one of the names to
//   movuroute-resource://intercept/?t=<token>&u=<original URL>&r=<Referer>
// (values percent-encoded), which the program serves (WebKitRuntime).

namespace platform::web {

inline constexpr const char* kWebExtensionFileName = "libmovuroute-webext.so";
inline constexpr const char* kWebExtensionNamesMessage = "movuroute.resource-names";

}  // namespace platform::web
