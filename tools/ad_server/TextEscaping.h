#pragma once

// Text rules for what the server echoes. Every value that came in with a request (the ad unit,
// the page's parameters) is untrusted: it reaches HTML only escaped, URLs and headers only
// percent-encoded, and scripts only as JSON that cannot end the script element.

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tools::adserver {

std::string htmlEscape(std::string_view text);

// Percent-encodes everything but the unreserved characters (letters, digits, "-", ".", "_",
// "~"), byte by byte, so any input makes a valid URL component with no line breaks.
std::string percentEncode(std::string_view text);

// Compact JSON; invalid UTF-8 is replaced rather than thrown on.
std::string jsonText(const nlohmann::ordered_json& value);
// The same, all ASCII ("\u2028" and other non-ASCII escaped) and with "</" written "<\/", so
// it can stand inside a script element.
std::string scriptJson(const nlohmann::ordered_json& value);

// Parses JSON that came over the wire without throwing; a parse failure, or nesting deeper
// than `maxDepth` (which would make later recursive walks dangerous), gives a discarded value.
nlohmann::ordered_json parseUntrustedJson(std::string_view text, std::size_t maxDepth = 64);

// A JSON value as one text: strings as they are, everything else as compact JSON.
std::string valueText(const nlohmann::ordered_json& value);

}  // namespace tools::adserver
