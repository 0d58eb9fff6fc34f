#pragma once

// MRAID creatives for looking at an ad's pixels rather than its events: pages that leave parts
// of the ad transparent or overflow it, so a screenshot shows what lies under them. They load
// "mraid.js" like the other creatives and keep what they hear in window.lines (nothing of it is
// drawn: every pixel they paint is one a test expects):
//   clear-move    - transparent page; its one red button (b0, 4,4 92 x 42) moves itself to the
//                   right edge (224,4) when pressed
//   clear-expand  - transparent page; in the banner a red "Expand" button (b0, 4,4 92 x 42);
//                   expanded, a blue bar (#2850c8) over the top right (120,0 200 x 50) and
//                   a blue panel from 100 to 400 points down with a red "Close" button (b1),
//                   the rest transparent; back in the banner after a collapse, "Expand"
//                   stands at the right edge (224,4)
//   overflow      - a green page (#2a7a3a) whose body fills the view plus its 8-point margin,
//                   so it overflows both ways
// Unit names: "mraid-clear-move", "mraid-clear-expand", "mraid-overflow".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::adserver {

// The page for one of the names above, or none.
std::optional<std::string> mraidLayoutCreative(std::string_view name);
// The names above, in order.
std::vector<std::string> mraidLayoutCreativeNames();

}  // namespace tools::adserver
