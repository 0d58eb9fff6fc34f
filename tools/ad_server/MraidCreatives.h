#pragma once

// MRAID creatives and what they need of the server. Each creative loads "mraid.js" (which
// the SDK serves itself from the three implementation paths below), prints its placement, its
// state and every event and error it hears into a log on the page, and offers the buttons of
// its feature:
//   expand        - expand, close
//   resize        - resize to 320 x 250 over the banner's superview's lower part, close
//   close         - close
//   orientation   - force landscape, force portrait, allow any, bad properties
//   picture       - store a PNG, a JPEG, a page that is no picture, an oversized PNG
//   calendar      - create an event
//   custom-close  - expand with its own close button (the native one is not drawn)
//   record        - writes down every message it hears and every listener call with the
//                   state, current and default position, maximum size, expand properties and
//                   visibility it reads then (window.messages, window.records); paints itself
//                   red by default, green expanded, blue resized; expand, close, resize to
//                   320 x 250 at offset 0,0, open() a page, two-part expand (its second page is
//                   the same creative, "/mads/mraid/record.html")
//   record-late   - the same, but it loads the server's MRAID script itself, only when the
//                   page's loadMraidNow() is called (so it announces itself as late as a test
//                   likes)
//   load-expand, busy-load-expand, held-load-expand, record-load-expand
//                 - expand from the page's load event, after "ready" but before the page
//                   has finished loading: the three-line probe, the same with a load handler
//                   busy for 6 s first, the probe with a picture the server may hold back
//                   (kMraidHeldPicturePath: its load event waits for it), and the recording
//                   creative with that picture doing it
//   ask-after-close - records as "record" does and, 0.2 s after it stopped being viewable
//                   (an interstitial closed), asks for a calendar event and to store a picture
// Unit names on the command line: "mraid-expand", "mraid-resize", ... (ad kind "banner"
// with the creative as its HTML, so an interstitial request gets the same page). The
// creatives for looking at pixels (MraidLayoutCreatives.h) are found by the same names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::adserver {

inline constexpr const char* kMraidBannerPath =
    "/mads/static/mad/sdk/native/mraid/v2/mraid_app_banner.js";
inline constexpr const char* kMraidInterstitialPath =
    "/mads/static/mad/sdk/native/mraid/v2/mraid_app_interstitial.js";
inline constexpr const char* kMraidExpandedBannerPath =
    "/mads/static/mad/sdk/native/mraid/v2/mraid_app_expanded_banner.js";
// A picture creatives show that the server may hold back (AdServer::stallMraidHeldPicture),
// keeping their page loading.
inline constexpr const char* kMraidHeldPicturePath = "/mads/mraid/held.png";

// The creative's page for a feature or layout name ("expand", "clear-move", ...), or none.
std::optional<std::string> mraidCreative(std::string_view feature);
// Every name mraidCreative knows, for the program's usage text.
std::vector<std::string> mraidCreativeNames();

struct MraidAsset {
    std::string contentType;
    std::string body;
};
// Our MRAID scripts at their three paths, and under "/mads/mraid/" the creatives' pictures
// (picture.png, picture.jpg, not-a-picture.png (a page), oversized.png (a PNG whose header
// claims 9000 x 9000), held.png (picture.png, which the server may hold back)) and the
// recording creative's second page, record.html. None for any other path.
std::optional<MraidAsset> mraidAsset(std::string_view path);

}  // namespace tools::adserver
