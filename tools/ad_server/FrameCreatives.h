#pragma once

// Creatives that show documents in frames of their own page, as carousels and product walls
// do. Each frame's document is a page of this server (kFramePagePath, recorded as
// RequestKind::FramePage) that tells the creative it arrived (a message to its parent), so a
// test reads from the creative which documents loaded where they were meant to:
//   carousel - a 320 x 50 banner: a "Shop now" link to the advertiser's page over its left
//              200 points (#shop) and, over the rest, a frame showing picture 1 (#picture);
//              it moves on to the next picture every 3 s (window.carouselTimer), up to
//              picture 6, and the page's showNext() moves it on at once. window.asked counts
//              the pictures asked for.
//   tiles    - an MRAID banner whose button (#b0) expands it; once expanded it adds 80 product
//              tiles, each a frame of its own (and a "Shop all" link, #shop, at the top).
//              window.asked counts the tiles asked for.
//   links    - a 320 x 50 banner filled by one frame (#links) whose document (kLinksFramePath)
//              holds three links to the advertiser's page, each a third of the banner wide:
//              "#in" with no target, "#top" to the top, "#blank" to a new window. Every load of
//              that document tells the creative (window.linksLoaded counts them), and
//              window.linksAt() answers the address the frame shows.
//   local    - a 320 x 50 banner: a plain area over its left 200 points (#pad) and four small
//              frames whose documents are made in place, each a script that tells the creative
//              it ran: an srcdoc frame, an about:blank frame the creative writes into, a data:
//              frame and a blob: frame. window.ranCount() counts those that ran (each once),
//              and window.again() makes all four anew.
// In the first two, window.shown() counts the frame documents that arrived (each number once).
// Unit names on the command line: "frames-carousel", "frames-tiles", "frames-links",
// "frames-local" (ad kind "banner" with the creative as its HTML).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::adserver {

// "?n=<number>" (and any "from" or other parameter, only recorded): a small page showing the
// number, which posts {movuFrame: n} to its parent as it loads.
inline constexpr const char* kFramePagePath = "/mads/frame_page";
// The links creative's frame document (recorded as RequestKind::FramePage too).
inline constexpr const char* kLinksFramePath = "/mads/frame_links";
inline constexpr int kCarouselPictures = 6;
inline constexpr int kTiles = 80;

// The creative of a name above, or none.
std::optional<std::string> frameCreative(std::string_view name);
// The names above, in order.
std::vector<std::string> frameCreativeNames();
// The frame document for the number the query gave (any text: what is no number from 0 to
// 9999 shows as 0).
std::string framePage(std::string_view number);
// The links creative's frame document.
std::string linksFramePage();

}  // namespace tools::adserver
