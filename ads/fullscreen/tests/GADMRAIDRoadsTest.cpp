#include <gtest/gtest.h>

#include <cmath>

#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADMRAIDCalendarProperties.h"
#include "ads/fullscreen/GADMRAIDResizeOverlayPresenter.h"
#include "ads/fullscreen/GADMRAIDResizeProperties.h"
#include "ads/fullscreen/GADMRAIDRoads.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/testsupport/RecordingMRAIDEvents.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/services/CalendarStore.h"
#include "platform/services/EventEditor.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using Strings = std::vector<std::string>;

constexpr double kAnimation = 0.5;

Value::Dictionary resizeParameters(const std::string& width, const std::string& height,
                                   const std::string& x, const std::string& y,
                                   const std::string& position = "top-right",
                                   const std::string& offscreen = "false") {
    return {{"a", Value("resize")},
            {"width", Value(width)},
            {"height", Value(height)},
            {"offsetX", Value(x)},
            {"offsetY", Value(y)},
            {"customClosePosition", Value(position)},
            {"allowOffscreen", Value(offscreen)}};
}

TEST(GADMRAIDResizePropertiesTest, ParsingNeedsAllSixKeysAndKeepsAbsurdValuesInvalid) {
    auto parsed = GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(
        resizeParameters("320", "250", "-10", "abc", "bottom-left", "YES"));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->contentFrame(), (Rect{-10, 0, 320, 250}));
    EXPECT_EQ(parsed->customClosePosition, 6);
    EXPECT_TRUE(parsed->allowOffscreen);
    EXPECT_TRUE(parsed->isWellFormed());
    EXPECT_EQ(parsed->description(),
              "{width = 320, height = 250, offsetX = -10, offsetY = 0, customClosePosition = "
              "bottom-left, allowOffscreen = YES}");

    // An unknown position is top-right; "false" and "0" are no.
    auto unknown = GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(
        resizeParameters("50", "50", "0", "0", "middle", "0"));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->customClosePosition, 0);
    EXPECT_FALSE(unknown->allowOffscreen);

    for (const char* key :
         {"width", "height", "offsetX", "offsetY", "customClosePosition", "allowOffscreen"}) {
        auto parameters = resizeParameters("320", "250", "0", "0");
        parameters.erase(key);
        EXPECT_FALSE(GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(parameters))
            << key;
    }
    EXPECT_EQ(GADMRAIDResizeProperties::description(std::nullopt), "(null)");

    for (auto [width, height] : std::vector<std::pair<const char*, const char*>>{
             {"0", "50"}, {"-5", "50"}, {"4097", "50"}, {"50", "1e300"}, {"nan", "50"}}) {
        auto properties = GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(
            resizeParameters(width, height, "0", "0"));
        ASSERT_TRUE(properties);
        EXPECT_FALSE(properties->isWellFormed()) << width << " x " << height;
    }
    EXPECT_TRUE(GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(
                    resizeParameters("4096", "4096", "0", "0"))
                    ->isWellFormed());
}

TEST(GADMRAIDResizePropertiesTest, ValidityAndAdjustmentTable) {
    const Rect bounds{0, 0, 320, 460};
    struct Case {
        Rect content;
        bool offscreen;
        std::int64_t position;
        bool valid;
    };
    const Case cases[] = {
        {{0, 0, 320, 460}, false, 0, true},    // exactly the bounds
        {{10, 0, 320, 50}, false, 0, false},   // 10 points out on the right
        {{-100, 0, 320, 50}, true, 0, true},   // offscreen, the close square inside
        {{-100, 0, 149, 50}, true, 0, false},  // its top-right square 1 point outside
        {{-100, 0, 150, 50}, true, 0, true},   // just inside
        {{0, 400, 320, 100}, true, 4, false},  // bottom-right square below the bounds
        {{0, 400, 320, 100}, true, 0, true},   // top-right square still inside
        {{100, 100, 50, 50}, true, 3, true},   // centre
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GADMRAIDResizeProperties::isContentFrameValid(c.content, bounds, c.offscreen,
                                                                c.position),
                  c.valid)
            << c.content.origin.x << "," << c.content.origin.y << " " << c.content.size.width;
    }
    using Presenter = GADMRAIDResizeOverlayPresenter;
    EXPECT_EQ(Presenter::adjustedContentFrame({10, 0, 320, 50}, bounds), (Rect{0, 0, 320, 50}));
    EXPECT_EQ(Presenter::adjustedContentFrame({-20, 450, 50, 50}, bounds), (Rect{0, 410, 50, 50}));
    // Larger than the bounds: moved by its far edges, still not inside (and so refused).
    EXPECT_EQ(Presenter::adjustedContentFrame({40, 40, 330, 470}, bounds),
              (Rect{-10, -10, 330, 470}));
    EXPECT_EQ(Presenter::adjustedContentFrame({-40, -40, 330, 470}, bounds),
              (Rect{0, 0, 330, 470}));
}

class GADMRAIDRoadsTest : public ::testing::Test {
  protected:
    GADMRAIDRoadsTest() {
        GADMRAIDRoads::load();
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Ads open only what is on screen, in an active application.
        platform::ui::Application::shared().becomeActive();
        screens->mraidEvents = events;
        opener->setSlot(screens);
        opener->setViewController(root);
        (void)GADSDKCoreController::sharedInstance();
        adView = GADAdView::create({0, 430, 320, 50});
        opener->setAdView(adView);
        root->view()->addSubview(container);
        container->addSubview(adView);
        adView->loadHTMLString("<p>ad</p>", platform::Url::parse("https://ads.test/ad"));
        auto& page = *views.web().pages().back();
        page.fireStart();
        page.fireFinish();
        scope.runUntilIdle();
    }

    std::size_t scriptsMentioning(const std::string& text) {
        std::size_t count = 0;
        for (const auto& page : views.web().pages())
            for (const auto& script : page->evaluations())
                count += script.find(text) != std::string::npos;
        return count;
    }
    std::shared_ptr<GADExpandedAdAppViewController> resized() const {
        return std::dynamic_pointer_cast<GADExpandedAdAppViewController>(
            adView->superview() ? adView->superview()->viewController() : nullptr);
    }
    std::shared_ptr<GADMRAIDResizeOverlayPresenter> presenter() const {
        auto controller = resized();
        return controller ? std::dynamic_pointer_cast<GADMRAIDResizeOverlayPresenter>(
                                controller->presenter())
                          : nullptr;
    }
    int clicks() const {
        return static_cast<int>(
            std::count(screens->clickLog.begin(), screens->clickLog.end(), "click"));
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<platform::ui::View> container = platform::ui::View::create({0, 0, 320, 480});
    std::shared_ptr<GADAdView> adView;
    std::shared_ptr<ads::testing::FakeFullScreenSlot> screens =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<ads::testing::RecordingMRAIDEvents> events =
        ads::testing::RecordingMRAIDEvents::create();
    std::shared_ptr<GADOpener> opener = GADOpener::create();
};

TEST_F(GADMRAIDRoadsTest, ResizingShowsTheAdOverTheAppAndItsCloseReturnsIt) {
    // 320 x 250 over the banner's superview's lower part: the rest stays the app's.
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(resizeParameters("320", "250", "0", "230"));
    scope.advance(kAnimation);
    auto controller = resized();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(clicks(), 1);
    auto p = presenter();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(adView->superview()->convertRectToView(adView->superview()->bounds(), nullptr),
              (Rect{0, 230, 320, 250}));
    EXPECT_EQ(scriptsMentioning("\"resized\""), 1u);
    EXPECT_EQ(scriptsMentioning("'onSizeChanged'"), 1u);
    EXPECT_TRUE(controller->useCustomClose());
    // The window around the ad takes touches: the crop view lets them through.
    EXPECT_EQ(window->hitTest({160, 100}, nullptr), container);

    // New properties for the resized ad: moved, no second click, one more "resized".
    opener->setViewController(controller);
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(resizeParameters("300", "100", "10", "300", "top-left"));
    scope.advance(1);
    EXPECT_EQ(clicks(), 1);
    EXPECT_EQ(controller->customClosePosition(), 2);
    EXPECT_EQ(scriptsMentioning("\"resized\""), 2u);
    // Refused new ones keep the old, move no close area and report no "resized".
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(resizeParameters("5000", "100", "0", "0", "center"));
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(Value::Dictionary{{"a", Value("resize")}});
    scope.advance(1);
    EXPECT_EQ(controller->customClosePosition(), 2);
    EXPECT_EQ(scriptsMentioning("\"resized\""), 2u);
    EXPECT_EQ(events->events,
              (Strings{"error setResizeProperties: Received invalid resize properties {width = "
                       "5000, height = 100, offsetX = 0, offsetY = 0, customClosePosition = "
                       "center, allowOffscreen = NO}",
                       "error setResizeProperties: Received invalid resize properties (null)"}));

    // Back in the banner and told so as the screen starts to fade, not once it has.
    controller->relinquishScreenWithCompletion({});
    scope.runUntilIdle();
    EXPECT_EQ(adView->superview(), container);
    EXPECT_EQ(adView->frame(), (Rect{0, 430, 320, 50}));
    EXPECT_EQ(scriptsMentioning("\"default\""), 1u);
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss"}));
    scope.advance(kAnimation);
    EXPECT_EQ(scriptsMentioning("\"default\""), 1u);
    EXPECT_EQ(screens->events, (Strings{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADMRAIDRoadsTest, RefusedResizesSayWhyShowNothingAndSpendNoTouch) {
    // Under the server's protection. What the creative asks is checked first: a missing key
    // and 5000 x 5000 without offscreen are invalid, touched or not; only then the gate, whose
    // refusal says its cause.
    auto missing = resizeParameters("320", "250", "0", "230");
    missing.erase("allowOffscreen");
    const auto huge = resizeParameters("5000", "5000", "0", "0");
    const auto valid = resizeParameters("320", "100", "0", "380");
    opener->setAutoClickProtected(true);
    opener->openWebAppWithResizeProperties(missing);
    opener->openWebAppWithResizeProperties(huge);
    opener->openWebAppWithResizeProperties(valid);
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(missing);
    opener->openWebAppWithResizeProperties(huge);
    adView->setHidden(true);
    opener->openWebAppWithResizeProperties(valid);
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(adView->superview(), container);
    EXPECT_EQ(clicks(), 0);
    EXPECT_EQ(scriptsMentioning("\"resized\""), 0u);
    const std::string null = "error resize: Tried to resize with invalid resize properties (null)";
    const std::string tooLarge =
        "error resize: Tried to resize with invalid resize properties {width = 5000, height = "
        "5000, offsetX = 0, offsetY = 0, customClosePosition = top-right, allowOffscreen = NO}";
    EXPECT_EQ(events->events,
              (Strings{null, tooLarge,
                       "error resize: Resizing an ad is not allowed until the user interacts "
                       "with the ad.",
                       null, tooLarge,
                       "error resize: Resizing an ad is not allowed while the ad is not on "
                       "screen."}));

    // None of them spent the touch: back on screen, it resizes the ad.
    adView->setHidden(false);
    opener->openWebAppWithResizeProperties(valid);
    scope.advance(kAnimation);
    EXPECT_NE(resized(), nullptr);
    EXPECT_EQ(clicks(), 1);
    resized()->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
}

TEST_F(GADMRAIDRoadsTest, ARotationMovesTheAdBackInsideOrClosesIt) {
    // The window keeps its shape when the interface turns; what a turn can change here is the
    // visible area (the status bar comes back with it).
    auto& application = platform::ui::Application::shared();
    application.setSupportedInterfaceOrientations(30);
    application.setStatusBarHidden(true);
    // Sticking out 10 points on the right: shown moved 10 points left.
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(resizeParameters("200", "100", "130", "300"));
    scope.advance(kAnimation);
    auto controller = resized();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(adView->superview()->frame().origin.x, 120);
    application.setStatusBarOrientation(2);
    scope.advance(1);
    EXPECT_EQ(resized(), controller);
    EXPECT_TRUE(events->events.empty());

    // The whole height, then a turn that brings the status bar back: it no longer fits.
    opener->setViewController(controller);
    adView->setTouched(true);
    opener->openWebAppWithResizeProperties(resizeParameters("320", "480", "0", "0"));
    scope.advance(1);
    EXPECT_EQ(resized(), controller);
    application.setStatusBarHidden(false);
    application.setStatusBarOrientation(1);
    scope.advance(2);
    scope.runUntilIdle();
    EXPECT_EQ(adView->superview(), container);
    EXPECT_EQ(events->events,
              (Strings{"error resize: Resize properties became invalid after device rotation."}));
}

TEST(GADMRAIDCalendarPropertiesTest, DateLayoutsAndTheEventMadeOfThem) {
    using P = GADMRAIDCalendarProperties;
    EXPECT_EQ(P::parseDate("2016-01-31T18:30:00-08:00"), 1454293800.0);
    EXPECT_EQ(P::parseDate("2016-02-01T02:30:00Z"), 1454293800.0);
    EXPECT_EQ(P::parseDate("2016-02-01T08:00:00+05:30"), 1454293800.0);
    EXPECT_EQ(P::parseDate("2016-02-29T00:00:00Z"), 1456704000.0);
    for (const char* bad : {"2016-01-31 18:30:00-08:00", "2016-01-31T18:30:00",
                            "2015-02-29T00:00:00Z", "2016-13-01T00:00:00Z", "2016-01-31T24:00:00Z",
                            "2016-01-31T18:30:00-0800", "2016-1-31T18:30:00Z", "", "tomorrow"}) {
        EXPECT_FALSE(P::parseDate(bad)) << bad;
    }

    const std::string longTitle(1500, 'x');
    auto properties = P::fromDictionary({{"description", Value("Sale\x01\r\n" + longTitle)},
                                         {"summary", Value("line one\r\nline two\x07")},
                                         {"location", Value("Hall\t2")},
                                         {"start", Value("2016-01-31T18:30:00-08:00")},
                                         {"end", Value("2016-01-31T17:30:00-08:00")}});
    ASSERT_TRUE(properties);
    auto event = properties->event(0);
    EXPECT_EQ(event.title.size(), GADMRAIDCalendarProperties::kMaxTitle);
    EXPECT_EQ(event.title.substr(0, 5), "Salex");
    EXPECT_EQ(event.notes, "line one\nline two");
    EXPECT_EQ(event.location, "Hall2");
    // An end before the start, or at it: one hour.
    EXPECT_EQ(event.end - event.start, 3600);
    auto instant = P::fromDictionary({{"start", Value("2016-01-31T18:30:00-08:00")},
                                      {"end", Value("2016-01-31T18:30:00-08:00")}});
    ASSERT_TRUE(instant);
    EXPECT_EQ(instant->event(0).end - instant->event(0).start, 3600);
    // No start: the next full hour; a cut never splits a character.
    auto empty =
        P::fromDictionary({{"description", Value(std::string(999, 'a') + "\xc3\xa9\xc3\xa9")}});
    ASSERT_TRUE(empty);
    auto later = empty->event(1454293800);
    EXPECT_EQ(later.start, 1454295600);
    EXPECT_EQ(later.end, 1454299200);
    EXPECT_EQ(later.title, std::string(999, 'a') + "\xc3\xa9");
    EXPECT_FALSE(P::fromDictionary({{"start", Value(12)}}));
}

class GADMRAIDCalendarRoadTest : public GADMRAIDRoadsTest {
  protected:
    ~GADMRAIDCalendarRoadTest() override { platform::ui::AlertView::resetAll(); }
    void setStatus(int status) {
        platform::services::CalendarStore::setAuthorizationStatus(
            static_cast<platform::services::CalendarAuthorizationStatus>(status));
    }
    std::shared_ptr<platform::services::EventEditor> editor() const {
        return std::dynamic_pointer_cast<platform::services::EventEditor>(
            root->presentedViewController());
    }
    const Value::Dictionary event{{"description", Value("Launch")},
                                  {"start", Value("2016-01-31T18:30:00-08:00")}};
};

TEST_F(GADMRAIDCalendarRoadTest, EachPermissionLeadsToTheEditorOrACancel) {
    // Allowed: the editor at once, one click.
    setStatus(3);
    adView->setTouched(true);
    opener->openCalendarWithDictionary(event);
    scope.advance(kAnimation);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->fieldText("Title:"), "Launch");
    EXPECT_EQ(clicks(), 1);
    editor()->cancelButton()->sendActionsForControlEvents(platform::ui::ControlEventTouchUpInside);
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    // Restricted and denied: the page hears the cancel, nothing shows.
    for (int status : {1, 2}) {
        setStatus(status);
        adView->setTouched(true);
        opener->openCalendarWithDictionary(event);
        scope.advance(kAnimation);
        EXPECT_EQ(root->presentedViewController(), nullptr);
    }
    EXPECT_EQ(scriptsMentioning("'onCalendarEventCanceled'"), 2u);

    // Undecided: the question first; "Don't Allow" cancels, "OK" opens the editor.
    setStatus(0);
    adView->setTouched(true);
    opener->openCalendarWithDictionary(event);
    auto question = platform::ui::AlertView::visibleAlert();
    ASSERT_NE(question, nullptr);
    question->tapButton(question->cancelButtonIndex());
    scope.advance(kAnimation);
    EXPECT_EQ(scriptsMentioning("'onCalendarEventCanceled'"), 3u);
    setStatus(0);
    adView->setTouched(true);
    opener->openCalendarWithDictionary(event);
    question = platform::ui::AlertView::visibleAlert();
    ASSERT_NE(question, nullptr);
    question->tapButton(question->firstOtherButtonIndex());
    scope.advance(kAnimation);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(clicks(), 2);
    EXPECT_TRUE(events->events.empty());
}

TEST_F(GADMRAIDCalendarRoadTest, AQuestionGoesDownWithTheScreenItWasAskedFrom) {
    // A full-screen ad asks, and its screen closes before the player answered: no question
    // over the app's screen, nothing decided, no editor, and the creative hears nothing.
    setStatus(0);
    auto screen = GADViewController::create();
    screen->setSlot(screens);
    ASSERT_TRUE(screen->presentFromViewController(root, {}));
    scope.advance(kAnimation);
    screen->view()->addSubview(adView);
    opener->setViewController(screen);
    adView->setTouched(true);
    opener->openCalendarWithDictionary(event);
    ASSERT_NE(platform::ui::AlertView::visibleAlert(), nullptr);
    screen->relinquishScreenWithCompletion({});
    scope.advance(kAnimation);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(platform::ui::AlertView::queuedCount(), 0u);
    EXPECT_EQ(platform::services::CalendarStore::authorizationStatus(),
              platform::services::CalendarAuthorizationStatus::NotDetermined);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(scriptsMentioning("'onCalendarEventCanceled'"), 0u);
    EXPECT_EQ(clicks(), 0);
    EXPECT_TRUE(events->events.empty());
}

TEST_F(GADMRAIDCalendarRoadTest, TheGateAndUnreadableEventsAreErrors) {
    setStatus(3);
    opener->openCalendarWithDictionary({{"start", Value(5)}});
    opener->setAutoClickProtected(true);
    opener->openCalendarWithDictionary(event);
    scope.advance(kAnimation);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    ASSERT_EQ(events->events.size(), 2u);
    EXPECT_EQ(events->events[0].rfind(
                  "error createCalendarEvent: Could not fully parse event dictionary: ", 0),
              0u);
    EXPECT_EQ(events->events[1],
              "error createCalendarEvent: Creating calendar events is not allowed until the "
              "user interacts with the ad.");
    EXPECT_EQ(clicks(), 0);
}

}  // namespace
}  // namespace ads
