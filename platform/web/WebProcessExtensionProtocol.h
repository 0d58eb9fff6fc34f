#pragma once

// What the program and its web-process extension agree on. The extension gets, at start-up,
// the tuple (token, file names, memory limit in megabytes; 0: none) and later the message
// kWebExtensionNamesMessage carrying the new file names (an array of strings). It redirects
// every http(s) subresource whose last path component is one of the names to
//   movuroute-resource://intercept/?t=<token>&u=<original URL>&r=<Referer>
// (values percent-encoded), which the program serves (WebKitRuntime). Once the process's
// resident memory passes the limit, it sends one of its pages' views kWebExtensionMemoryMessage
// (the limit, a uint32) so that the program ends the process, and ends it itself if it still
// runs half a second later.

namespace platform::web {

inline constexpr const char* kWebExtensionFileName = "libmovuroute-webext.so";
inline constexpr const char* kWebExtensionNamesMessage = "movuroute.resource-names";
inline constexpr const char* kWebExtensionMemoryMessage = "movuroute.over-memory-limit";

}  // namespace platform::web
