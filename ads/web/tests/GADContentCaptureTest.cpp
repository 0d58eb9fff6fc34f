// Content capture on the manual clock and the scripted web engine: the walk's order and
// refusals, which views give text, the tick that stores a capture, and what stopping and
// starting again do to a walk under way and to the stored captures.

#include "ads/web/GADContentCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADCharacterSets.h"
#include "ads/foundation/GADContent.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "ads/web/GADViewHierarchyTraverser.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestGate.h"
#include "platform/ui/Application.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::ui::View;

class GADContentCaptureTest : public ::testing::Test {
  protected:
    GADContentCaptureTest() {
        platform::ui::Application::shared().becomeActive();
        window->setRootViewController(controller);
        window->makeKeyAndVisible();
    }
    ~GADContentCaptureTest() override {
        if (engine) engine->stopContentHashing();
        engine.reset();
        scope.runUntilIdle();
    }
    std::shared_ptr<View> named(const std::string& name, std::shared_ptr<View> parent) {
        auto view = View::create();
        names[view.get()] = name;
        if (parent) parent->addSubview(view);
        return view;
    }
    // A page whose body text is `text`; it answers when answerPages() runs.
    std::shared_ptr<platform::web::WebContentView> page(const std::string& text) {
        auto content = platform::web::WebContentView::create({0, 0, 100, 100});
        content->setWebView(platform::web::WebView::create({100, 100}));
        texts[views.web().pages().back().get()] = text;
        return content;
    }
    // Every page answers what it was asked, with its text.
    void answerPages() {
        for (const auto& page : views.web().pages()) {
            auto text = texts.find(page.get());
            if (text == texts.end()) continue;
            while (page->answerNextScript({text->second, std::nullopt, true})) {
            }
        }
    }
    // What the view gives, its page answering.
    std::optional<std::string> textOf(View& view) {
        std::optional<std::optional<std::string>> given;
        GADContentCapture::textOfView(view, [&](std::optional<std::string> text) { given = text; });
        answerPages();
        scope.runUntilIdle();
        EXPECT_TRUE(given);
        return given.value_or(std::nullopt);
    }
    void startEngine() {
        engine = GADContentCapture::create(application);
        engine->startContentHashing();
    }
    // One tick, its walk to the end, its pages answering, and the store on the content-hashing
    // queue.
    void tick() {
        // Ten seconds in steps shorter than a page read's time-out (50 ms), each walk run to its
        // end between them: the walk's visits come from the traverser's own thread, and a visit
        // that came while the clock went on would see its read time out before the page could
        // answer.
        const double start = platform::Clock::monotonic();
        for (int step = 1; step <= 1000; ++step) {
            scope.advance(start + step * 0.01 - platform::Clock::monotonic());
            ASSERT_TRUE(platform::testing::runMainLoopUntil([&] {
                answerPages();
                return !engine->isCapturing();
            }));
        }
        application->contentHashingQueue()->sync([] {});
    }
    std::vector<std::uint64_t> stored() {
        std::vector<std::uint64_t> numbers;
        application->contentHashingQueue()->sync([&] {
            for (std::uint64_t n = 1; n <= 20; ++n) {
                if (engine->contentQueue()->contentWithSequenceNumber(n)) numbers.push_back(n);
            }
        });
        return numbers;
    }

    std::map<const platform::web::FakeWebPage*, std::string> texts;
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<GADApplication> application = GADApplication::sharedInstance();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<GADContentCapture> engine;
    std::map<const View*, std::string> names;
};

TEST_F(GADContentCaptureTest, TheWalkVisitsEachViewBeforeItsSubviewsFrontMostFirst) {
    auto root = named("root", nullptr);
    auto a = named("a", root);
    named("a1", a);
    named("a2", a);
    auto b = named("b", root);
    auto gone = named("b1", b);
    auto traverser = GADViewHierarchyTraverser::create();
    std::vector<std::string> visits;
    std::vector<bool> completions;
    const auto visit = [&](const std::shared_ptr<View>& view, std::int64_t walk) {
        visits.push_back(names[view.get()] + "/" + std::to_string(walk));
    };
    const auto complete = [&](bool finished) { completions.push_back(finished); };
    traverser->traverseView(root, visit, complete);
    // Collected at once: a view freed before its visit is skipped.
    gone->removeFromSuperview();
    gone.reset();
    // A second walk while one runs, a missing root or block: refused, the walk goes on.
    traverser->traverseView(root, visit, complete);
    traverser->traverseView(nullptr, visit, complete);
    traverser->traverseView(root, {}, complete);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return completions.size() == 4; }));
    EXPECT_EQ(visits, (std::vector<std::string>{"root/1", "b/1", "a/1", "a2/1", "a1/1"}));
    EXPECT_EQ(completions, (std::vector<bool>{false, false, false, true}));
    EXPECT_FALSE(traverser->isTraversing());

    traverser->traverseView(a, visit, complete);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return completions.size() == 5; }));
    EXPECT_EQ(visits.back(), "a1/2");
    EXPECT_EQ(traverser->sequenceNumber(), 2);
}

TEST_F(GADContentCaptureTest, WebAndTextViewsGiveTextAndATickStoresTheCapture) {
    auto label = platform::ui::Label::create({}, "A label gives no text at all");
    EXPECT_FALSE(textOf(*label));
    auto root = controller->view();
    root->addSubview(label);
    root->addSubview(platform::ui::TextView::create({}, "Hello, World"));
    auto web = page("The quick brown fox jumps over the lazy dog");
    root->addSubview(web);
    EXPECT_EQ(textOf(*web), "The quick brown fox jumps over the lazy dog");
    ASSERT_FALSE(views.web().lastPage()->evaluations().empty());
    EXPECT_NE(views.web().lastPage()->evaluations().back().find("document.body.innerText"),
              std::string::npos);

    startEngine();
    scope.advance(9.9);
    EXPECT_FALSE(engine->isCapturing());
    tick();
    EXPECT_EQ(stored(), (std::vector<std::uint64_t>{1}));
    // The same screen again: only the later capture stays.
    tick();
    EXPECT_EQ(stored(), (std::vector<std::uint64_t>{2}));
    const auto fingerprint = application->fingerprintWithServedPenaltyDeduction();
    ASSERT_TRUE(fingerprint);
    auto expected = std::make_shared<GADContent>(1, GADContentSettings{}, nullptr, nullptr);
    expected->updateContentWithText(std::string("The quick brown fox jumps over the lazy dog"));
    expected->updateContentWithText(std::string("Hello, World"));
    EXPECT_EQ(*fingerprint, expected->fingerprint());
}

TEST_F(GADContentCaptureTest, AHugePageIsCutAtACharacterBoundary) {
    const std::string huge(GADContentCapture::kMaximumTextBytes - 1, 'a');
    auto web = page(huge + "\xC3\xA9" + "tail");
    const auto text = textOf(*web);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, huge);
    EXPECT_EQ(GADContentCapture::cutAtCharacterBoundary("ab\xE6\x9D\xB1", 4), "ab");
    EXPECT_EQ(GADContentCapture::cutAtCharacterBoundary("abc", 4), "abc");
}

TEST_F(GADContentCaptureTest, ABusyPageHoldsNothingUpAndGivesNoTextOnceItsTimeIsOut) {
    const auto waits = platform::web::WebView::synchronousWaitCount();
    auto root = controller->view();
    root->addSubview(platform::ui::TextView::create({}, "Hello, World"));
    root->addSubview(page("Words of a page that answers too late to count"));
    const auto busy = views.web().lastPage();
    startEngine();
    scope.advance(10);
    // Every view visited (the walk queued its visits and its end at once), the page still
    // silent: the capture waits for it, stored nowhere yet.
    std::atomic<bool> visited{false};
    engine->walkQueue()->async([&] { visited = true; });
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return visited.load(); }));
    scope.runUntilIdle();
    EXPECT_EQ(busy->pendingScriptCount(), 1u);
    EXPECT_TRUE(engine->isCapturing());
    EXPECT_TRUE(stored().empty());
    // Its time is out: the capture is stored with the other views' text alone, and the late
    // answer changes nothing.
    scope.advance(GADContentCapture::kTextReadTimeout);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !engine->isCapturing(); }));
    answerPages();
    scope.runUntilIdle();
    application->contentHashingQueue()->sync([] {});
    EXPECT_EQ(stored(), (std::vector<std::uint64_t>{1}));
    auto expected = std::make_shared<GADContent>(1, GADContentSettings{}, nullptr, nullptr);
    expected->updateContentWithText(std::string("Hello, World"));
    EXPECT_EQ(application->fingerprintWithServedPenaltyDeduction(), expected->fingerprint());
    EXPECT_EQ(platform::web::WebView::synchronousWaitCount(), waits);
}

TEST_F(GADContentCaptureTest, NoKeyWindowOrNoTextStoresNothing) {
    startEngine();
    tick();
    EXPECT_TRUE(stored().empty());  // a root without text: fingerprint ""
    controller->view()->addSubview(platform::ui::TextView::create({}, "Hello, World"));
    platform::ui::Application::shared().setKeyWindow({});
    tick();
    EXPECT_TRUE(stored().empty());
    // The refused walk took no number.
    window->makeKeyAndVisible();
    tick();
    EXPECT_EQ(stored(), (std::vector<std::uint64_t>{2}));
}

TEST_F(GADContentCaptureTest, StoppingMakesAWalkStaleAndStartingAgainDropsTheCaptures) {
    controller->view()->addSubview(platform::ui::TextView::create({}, "Hello, World"));
    startEngine();
    tick();
    ASSERT_EQ(stored().size(), 1u);
    // A tick whose walk is still under way when capture stops: it stores nothing. The walk is
    // held back behind a gate on its queue until capture has stopped.
    platform::testing::TestGate gate;
    engine->walkQueue()->async([&gate] { gate.wait(); });
    scope.advance(10);
    EXPECT_TRUE(engine->isCapturing());
    engine->stopContentHashing();
    EXPECT_FALSE(engine->isRunning());
    gate.release();
    scope.runUntilIdle();
    application->contentHashingQueue()->sync([] {});
    EXPECT_EQ(stored().size(), 1u);
    scope.advance(60);
    EXPECT_EQ(stored().size(), 1u);
    // Stopped, the stored captures still serve requests.
    EXPECT_TRUE(application->fingerprintWithServedPenaltyDeduction());

    // A new start begins with no captures and walks numbered from 1.
    engine->startContentHashing();
    application->contentHashingQueue()->sync([] {});
    EXPECT_TRUE(stored().empty());
    EXPECT_FALSE(application->fingerprintWithServedPenaltyDeduction());
    tick();
    EXPECT_EQ(stored(), (std::vector<std::uint64_t>{1}));
}

TEST_F(GADContentCaptureTest, TheServersSettingsAtTheStart) {
    auto& defaults = platform::UserDefaults::standard();
    defaults.setString(settings_keys::kTraversalInterval, "2");
    defaults.setString(settings_keys::kContentQueueMaximumCapacity, "0");
    controller->view()->addSubview(platform::ui::TextView::create({}, "Hello, World"));
    startEngine();
    scope.advance(2);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !engine->isCapturing(); }));
    application->contentHashingQueue()->sync([] {});
    // Capacity 0: nothing is ever stored.
    EXPECT_EQ(engine->contentQueue()->capacity(), 0u);
    EXPECT_TRUE(stored().empty());
}

TEST_F(GADContentCaptureTest, RangeSettingsReachTheTokenizerWithEveryConstantsLoad) {
    startEngine();
    auto sets = GADCharacterSets::sharedInstance();
    EXPECT_TRUE(sets->spaceDelimitedSet()->containsUnit(u'a'));
    auto handler = GADSDKCoreGMSGHandler::create();
    GADSDKCoreController::sharedInstance()->SDKCoreGMSGHandlerDidLoadSDKConstants(
        *handler, {{"space_delimited_unicode_range", platform::Value("[[48,10]]")}});
    EXPECT_FALSE(sets->spaceDelimitedSet()->containsUnit(u'a'));
    EXPECT_TRUE(sets->spaceDelimitedSet()->containsUnit(u'7'));
}

TEST_F(GADContentCaptureTest, TheStartUpStepStartsTheSharedEngineWhenTheServerAllowedIt) {
    platform::UserDefaults::standard().setBool(settings_keys::kContentURLEnabled, true);
    GADContentCapture::load();
    GADContentCapture::load();
    EXPECT_FALSE(GADContentCapture::sharedInstance()->isRunning());
    application->runEarlyActivities();
    EXPECT_TRUE(GADContentCapture::sharedInstance()->isRunning());
    EXPECT_TRUE(GADApplicationTestPeer(application).isContentHashing());
    application->stopContentHashing();
    EXPECT_FALSE(GADContentCapture::sharedInstance()->isRunning());
}

}  // namespace
}  // namespace ads
