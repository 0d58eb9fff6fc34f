// Page messages: the gmsg URLs an ad's script navigates to, and the query functions the SDK
// reads page and server URLs with. Pages are untrusted: whatever parses must give a message
// with a name and text parameters, reach a handler table without harm, and every URL we make
// from it must be one we accept again.

#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADActiveViewGMSGHandler.h"
#include "ads/web/GADGMSGHandler.h"
#include "ads/web/GADNotification.h"
#include "ads/web/GADPageScripts.h"

namespace {

using platform::Url;
using platform::Value;

class Handler : public ads::GADGMSGHandler {
  public:
    const ads::GADGMSGActionTable* actionBlockDictionary() const override {
        static const ads::GADGMSGActionTable table{{"log", action(&Handler::log)},
                                                   {"a/b", action(&Handler::log)}};
        return &table;
    }
    void log(const ads::GADGMSGActionInfo& info) {
        for (const char* key : {"string", "url", ""}) (void)info.note->parameter(key);
    }
};

// The SDK core page's viewability answers: told only with a whole-number unit id, and a
// visibility only for "isVisible" "1" or anything else (not visible).
class ActiveViewDelegate : public ads::GADActiveViewGMSGHandlerDelegate {
  public:
    void activeViewGMSGHandlerDidReceiveVisibilityNotification(ads::GADActiveViewGMSGHandler&,
                                                               bool visible,
                                                               std::uint64_t) override {
        ++told;
        lastVisible = visible;
    }
    void activeViewGMSGHandlerDidReceiveUntrackNotification(ads::GADActiveViewGMSGHandler&,
                                                            std::uint64_t) override {
        ++told;
    }
    int told = 0;
    bool lastVisible = false;
};

void checkActiveView(const std::shared_ptr<const ads::GADNotification>& note) {
    auto delegate = std::make_shared<ActiveViewDelegate>();
    auto handler = ads::GADActiveViewGMSGHandler::create();
    handler->setDelegate(delegate);
    const bool handled = handler->handleNotification(note, nullptr);
    const bool ours =
        note->name() == "visibilityChanged" || note->name() == "untrackActiveViewUnit";
    FUZZ_CHECK(handled == ours);
    FUZZ_CHECK(delegate->told <= 1);
    if (delegate->told == 0) return;
    FUZZ_CHECK(note->parameter("hashCode"));
    if (note->name() == "visibilityChanged") {
        const auto visible = note->parameter("isVisible");
        FUZZ_CHECK(visible);
        FUZZ_CHECK(delegate->lastVisible == (*visible == "1"));
    }
}

// A page's text sent back to pages (overlays pass messages on) stays inside its quotes.
void checkQuoted(const std::string& text) {
    const std::string quoted = ads::GADJavaScriptQuotedString(text);
    FUZZ_CHECK(quoted.size() >= 2 && quoted.front() == '\'' && quoted.back() == '\'');
    bool escaped = false;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(quoted[i]);
        FUZZ_CHECK(c >= 0x20 && c != 0x7f);
        FUZZ_CHECK(escaped || c != '\'');
        FUZZ_CHECK(!(c == '/' && quoted[i - 1] == '<'));
        FUZZ_CHECK(quoted.compare(i, 3, "\xE2\x80\xA8") != 0 &&
                   quoted.compare(i, 3, "\xE2\x80\xA9") != 0);
        escaped = !escaped && c == '\\';
    }
    FUZZ_CHECK(!escaped);
}

void exerciseQueries(const Url& url) {
    (void)ads::gad_parameterValuesForKey(url, "k");
    (void)ads::gad_parameterValueForKey(url, "adurl");
    (void)ads::gad_dictionaryFromQueryParameters(url, true);
    (void)ads::gad_impressionTicket(url);
    (void)ads::gad_isHostEqualToString(url, "Movuroute", false);
    (void)ads::gad_isSchemeEqualToString(url, "GMSG", false);
    const std::string withoutFragment = ads::gad_absoluteStringWithoutFragmentComponent(url);
    FUZZ_CHECK(withoutFragment.find('#') == std::string::npos);

    // An appended pair must read back as it was given, and the URL it makes must parse again.
    const Value::Dictionary pair{{"fz", Value("1 2&=")}};
    if (auto appended = ads::gad_appendQueryParameters(url, pair)) {
        FUZZ_CHECK(Url::parse(appended->absoluteString()));
        FUZZ_CHECK(appended->fragment() == url.fragment());
        if (!url.isOpaque()) {
            auto values = ads::gad_parameterValuesForKey(*appended, "fz");
            FUZZ_CHECK(values);
            bool found = false;
            for (const auto& v : *values) found = found || v == "1 2&=";
            FUZZ_CHECK(found);
            FUZZ_CHECK(appended->rawPath() == url.rawPath());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    (void)ads::gad_dictionaryFromQueryParameters(text, false);
    checkQuoted(std::string(text));
    auto url = Url::parse(text);
    if (!url) return 0;
    exerciseQueries(*url);

    auto note = ads::GADNotification::createWithNotificationURL(*url);
    if (!note) return 0;
    FUZZ_CHECK(ads::GADNotification::isNotificationURL(*url));
    FUZZ_CHECK(!note->name().empty());
    for (const auto& [key, value] : note->parameters()) FUZZ_CHECK(value.isString());
    (void)note->description();
    checkQuoted(note->name());
    const std::string command = ads::GADPageEventCommand(note->name(), &note->parameters());
    FUZZ_CHECK(command.rfind("RADE_ReceiveMessage(", 0) == 0);
    checkActiveView(note);
    Handler handler;
    const bool handled = handler.handleNotification(note, nullptr);
    FUZZ_CHECK(handled == (note->name() == "log" || note->name() == "a/b"));
    return 0;
}
