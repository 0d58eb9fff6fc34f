// What an ad's page does to its video, mixed with what the media does: each input line is one
// step. "v <query>" sends the page message "video" with that query; "r <duration>" makes the
// item ready with one 160 x 90 picture track (a duration of "-" is unknown); "b", "B" report
// keeping up and a full buffer; "f" fails the item; "e" plays it to its end; "t <seconds>"
// lets time pass; "n" loads a new page; "h" takes the ad off the screen, or puts it back. The
// ad starts on screen. Whatever the order, nothing breaks, the ticks stay bounded by the time
// that passed, each page hears "canplaythrough" at most once, nothing of its video is in the
// backend while it is off the screen, the page hears no "play" and no "timeupdate" meanwhile,
// and its "play" and "pause" alternate, a "play" first.

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADVideoPlayer.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/base/NumberText.h"
#include "platform/services/FakeMediaPlayerBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace {

std::size_t count(const std::vector<std::string>& scripts, std::size_t from, const char* text) {
    return std::size_t(
        std::count_if(scripts.begin() + std::ptrdiff_t(from), scripts.end(),
                      [text](const std::string& s) { return s.find(text) != std::string::npos; }));
}

// The page's "play" and "pause" from `from` on take turns, a "play" first.
bool playsAndPausesTakeTurns(const std::vector<std::string>& scripts, std::size_t from) {
    bool playing = false;
    for (std::size_t i = from; i < scripts.size(); ++i) {
        const bool play = scripts[i].find(R"("event":"play")") != std::string::npos;
        const bool pause = scripts[i].find(R"("event":"pause")") != std::string::npos;
        if ((play && playing) || (pause && !playing)) return false;
        if (play || pause) playing = play;
    }
    return true;
}

std::size_t playbackHeard(const std::vector<std::string>& scripts) {
    return count(scripts, 0, "timeupdate") + count(scripts, 0, R"("event":"play")");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::services::testing::FakeMediaPlayerBackend;
    std::string_view text = fuzz::bytes(data, size);
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    auto fake = FakeMediaPlayerBackend::create();
    FakeMediaPlayerBackend::installFactory(fake);
    auto view = ads::GADAdView::create({0, 0, 320, 50});
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    window->makeKeyWindow();
    platform::ui::Application::shared().becomeActive();
    window->addSubview(view);
    auto handler = ads::GADVideoPlayerGMSGHandler::create();
    auto page = views.web().lastPage();
    std::size_t pageStart = 0;
    double passed = 0;
    // What the page had heard of playback when its ad was last seen off the screen.
    std::optional<std::size_t> heardWhenHeld;

    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string line(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.empty()) continue;
        const std::string rest = line.size() > 2 ? line.substr(2) : "";
        switch (line[0]) {
            case 'v':
                if (auto url = platform::Url::parse("gmsg://movuroute/video?" + rest)) {
                    handler->handleNotification(
                        ads::GADNotification::createWithNotificationURL(*url), view);
                }
                break;
            case 'r':
                fake->becomeReady(
                    rest == "-" ? std::nullopt : std::optional<double>(platform::doubleValue(rest)),
                    {{160, 90}});
                break;
            case 'b':
                fake->buffer(true, false);
                break;
            case 'B':
                fake->buffer(false, true);
                break;
            case 'f':
                fake->fail();
                break;
            case 'e':
                fake->playToEnd();
                break;
            case 't': {
                const double seconds = std::clamp(platform::doubleValue(rest), 0.0, 5.0);
                passed += seconds;
                scope.advance(seconds);
                break;
            }
            case 'h':
                if (view->window() == window.get()) {
                    ads::GADAdView::placeholderWindow()->addSubview(view);
                } else {
                    window->addSubview(view);
                }
                break;
            case 'n':
                scope.runUntilIdle();
                pageStart = page->evaluations().size();
                view->loadHTMLString("<p>next</p>", platform::Url::parse("https://ads.test/next"));
                break;
            default:
                break;
        }
        scope.runUntilIdle();
        FUZZ_CHECK(count(page->evaluations(), pageStart, "canplaythrough") <= 1);
        FUZZ_CHECK(playsAndPausesTakeTurns(page->evaluations(), pageStart));
        if (view->window() != window.get()) {
            if (heardWhenHeld) FUZZ_CHECK(playbackHeard(page->evaluations()) == *heardWhenHeld);
            scope.advance(ads::GADVideoPlayer::kOnScreenCheckSeconds);
            passed += ads::GADVideoPlayer::kOnScreenCheckSeconds;
            FUZZ_CHECK(fake->items().empty() || !fake->items().back());
            scope.runUntilIdle();
            heardWhenHeld = playbackHeard(page->evaluations());
        } else {
            heardWhenHeld.reset();
        }
    }
    scope.runUntilIdle();
    // Ticks: four a second of time passed, plus one per start, stop or seek (a message each).
    const std::size_t lines = std::size_t(std::count(data, data + size, '\n')) + 1;
    FUZZ_CHECK(count(page->evaluations(), 0, "timeupdate") <= std::size_t(passed * 4) + 2 * lines);
    view->removeFromSuperview();
    view.reset();
    scope.runUntilIdle();
    FakeMediaPlayerBackend::installFactory(nullptr);
    return 0;
}
