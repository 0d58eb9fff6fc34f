// The calls the core page hands our ad server: JSON that ad scripts and native code can shape.
// Whatever parses is answered, under every page answer, with text-only gmsg parameters and ad
// URLs that stay on the server, carry no raw blank or control character, and stay short
// enough for any server to accept.

#include <string>

#include "FuzzSupport.h"
#include "tools/ad_server/CoreCalls.h"
#include "tools/ad_server/TextEscaping.h"

namespace {

using namespace tools::adserver;

const std::string kOrigin = "http://127.0.0.1:1";
const std::string kRefused = "http://127.0.0.1:2";

void checkUrl(const std::string& url) {
    FUZZ_CHECK(url.rfind(kOrigin + "/", 0) == 0 || url.rfind(kRefused + "/", 0) == 0);
    FUZZ_CHECK(url.size() <= 7000);
    for (unsigned char c : url) FUZZ_CHECK(c > 0x20 && c < 0x7f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto call = parseCoreCall(fuzz::bytes(data, size));
    if (!call) return 0;
    for (PageAnswer answer : {PageAnswer::AdUrl, PageAnswer::FetchedAd, PageAnswer::Invalid,
                              PageAnswer::Errors, PageAnswer::Silent, PageAnswer::RefusedAdUrl}) {
        CoreCallContext context;
        context.origin = kOrigin;
        context.refusedOrigin = kRefused;
        context.scenarioFor = [answer](const std::string&) {
            return AdScenario::answered(answer).withReloadRequest();
        };
        context.constants = std::map<std::string, std::string>{{"ping_interval", "60"}};
        CoreAnswer reply = answerCoreCall(*call, context);
        FUZZ_CHECK(reply.messages.is_array());
        for (const auto& message : reply.messages) {
            FUZZ_CHECK(message["action"].is_string());
            for (const auto& [key, value] : message["params"].items()) {
                FUZZ_CHECK(value.is_string());
                if (key == "url") checkUrl(value.get<std::string>());
                if (key == "http_request") {
                    auto request = parseUntrustedJson(value.get<std::string>());
                    FUZZ_CHECK(request.is_object() && request["url"].is_string());
                    checkUrl(request["url"].get<std::string>());
                }
            }
        }
        (void)jsonText(reply.messages);
    }
    return 0;
}
