#pragma once

// One escaper for text that goes between the quotes of a script or JSON string, or into a log
// line: whatever the text holds, the result cannot end the string, the line or the script
// element it stands in. Styles differ only in spelling (which quote, \u00XX or \xXX, which
// controls have names), so every writer picks a style instead of keeping its own loop.
//
// Always escaped: the backslash, the style's quote, line feed and carriage return, the other
// C0 controls and DEL, and U+2028 / U+2029 (line ends inside older script strings).

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

struct StringEscapeStyle {
    enum class Controls {
        Unicode,  // \u00XX
        Hex,      // \xXX (script only)
    };
    enum class Slash {
        Never,
        AfterLessThan,  // "</" becomes "<\/": the text cannot close a script element
        Always,
    };

    char quote = '"';  // the quote that gets a backslash; 0 for none
    // Controls written by name (among \b \f \n \r \t); the others by number.
    std::string_view namedControls = "\b\f\n\r\t";
    Controls controls = Controls::Unicode;
    bool upperCaseHex = false;
    // U+0080 to U+009F count as controls too.
    bool c1Controls = false;
    Slash slash = Slash::AfterLessThan;
    // Every other non-ASCII code point as \uXXXX (a surrogate pair beyond U+FFFF), for readers
    // that take ASCII only.
    bool asciiOnly = false;
    // Bytes that are no UTF-8: kept as they are, or written \xXX so that nothing raw passes.
    bool hexBadBytes = false;

    // JSON strings: "\"" escaped, named \b \f \n \r \t, \u00XX, every "/" as "\/".
    static StringEscapeStyle json();
    // Single-quoted script strings: "\'" escaped, named \n \r, \xXX, "</" as "<\/".
    static StringEscapeStyle script();
    // Log lines: no quote, named \n \r \t, \u00XX in capitals with the C1 controls, bad bytes
    // as \xXX.
    static StringEscapeStyle log();
};

void appendEscaped(std::string& out, std::string_view text, const StringEscapeStyle& style);
std::string escaped(std::string_view text, const StringEscapeStyle& style);
// The size of escaped(text, style), without making it.
std::size_t escapedSize(std::string_view text, const StringEscapeStyle& style);

// What a value from outside (a page's or a server's text, an id, a URL) may take of a log
// line: an id or an address is recognisable in far less, and a hostile one of megabytes must
// not become a line of megabytes.
inline constexpr std::size_t kLogValueMaxBytes = 256;
// The same for free text from outside (a page's message, a server's reason, a list of
// parameters): enough for any diagnostic, still one readable line.
inline constexpr std::size_t kLogTextMaxBytes = 1024;
// The value in the log style, cut at a character boundary so that the result, with the "..."
// that marks a cut, stays within `maxBytes` (which is taken to be at least 3). Only as much of
// the text is read as the result needs.
std::string logValue(std::string_view text, std::size_t maxBytes = kLogValueMaxBytes);

}  // namespace platform
