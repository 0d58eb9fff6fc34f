#include "tools/ad_server/HostileCreatives.h"

#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

constexpr Hostility kAll[] = {Hostility::None, Hostility::FileFrame, Hostility::FileNavigation,
                              Hostility::Spin, Hostility::Allocate,  Hostility::YieldingSpin};

std::string fileRedirectUrl(const AdContext& c) {
    return c.origin + kFileRedirectPath + "?slot=" + percentEncode(c.slotname) +
           "&ad=" + std::to_string(c.ad);
}

}  // namespace

std::string_view hostilityName(Hostility hostility) {
    switch (hostility) {
        case Hostility::None:
            return "none";
        case Hostility::FileFrame:
            return "file-frame";
        case Hostility::FileNavigation:
            return "file-navigation";
        case Hostility::Spin:
            return "spin";
        case Hostility::Allocate:
            return "allocate";
        case Hostility::YieldingSpin:
            return "yielding-spin";
    }
    return "none";
}

std::optional<Hostility> hostilityNamed(std::string_view name) {
    for (Hostility h : kAll) {
        if (hostilityName(h) == name) return h;
    }
    return std::nullopt;
}

std::string hostilePart(Hostility hostility, const AdContext& c) {
    switch (hostility) {
        case Hostility::None:
            return "";
        case Hostility::FileFrame:
            return "<iframe id=\"hostile\" src=\"" + htmlEscape(fileRedirectUrl(c)) +
                   "\" style=\"position: absolute; left: 0; bottom: 0; width: 1px; height: 1px; "
                   "border: 0\"></iframe>\n";
        case Hostility::FileNavigation:
            return "<script>window.addEventListener('load', function () {\n"
                   "  setTimeout(function () { location.href = " +
                   scriptJson(fileRedirectUrl(c)) + "; }, 300);\n});</script>\n";
        case Hostility::Spin:
            return "<script>setTimeout(function () { while (true) {} }, 200);</script>\n";
        case Hostility::Allocate:
            // Written, so that the memory is really taken and not only promised.
            return "<script>(function () {\n"
                   "  var kept = [];\n"
                   "  setInterval(function () {\n"
                   "    var block = new Uint8Array(50 * 1024 * 1024);\n"
                   "    for (var i = 0; i < block.length; i += 4096) block[i] = 1;\n"
                   "    kept.push(block);\n"
                   "  }, 100);\n"
                   "})();</script>\n";
        case Hostility::YieldingSpin:
            // Free for a moment between spins: the page answers the engine's questions late
            // but answers them, so it is never found unresponsive and ended.
            return "<script>(function () {\n"
                   "  function spin() {\n"
                   "    var end = Date.now() + 2500;\n"
                   "    while (Date.now() < end) {}\n"
                   "    setTimeout(spin, 5);\n"
                   "  }\n"
                   "  setTimeout(spin, 200);\n"
                   "})();</script>\n";
    }
    return "";
}

}  // namespace tools::adserver
