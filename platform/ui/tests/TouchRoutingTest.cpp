#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Button.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

class TouchLog : public View {
  public:
    using View::View;
    std::vector<std::string> log;
    std::vector<Point> where;
    void touchesBegan(const TouchSet& t, const Event&) override { note("began", t); }
    void touchesMoved(const TouchSet& t, const Event&) override { note("moved", t); }
    void touchesEnded(const TouchSet& t, const Event&) override { note("ended", t); }
    void touchesCancelled(const TouchSet& t, const Event&) override { note("cancelled", t); }

  private:
    void note(const char* what, const TouchSet& t) {
        log.push_back(std::string(what) + ":" + std::to_string(t.size()));
        where.push_back(t.front()->locationInView(this));
    }
};

SDL_Event mouse(Uint32 type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = x;
        e.motion.y = y;
        e.motion.which = 0;
    } else {
        e.button.x = x;
        e.button.y = y;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.which = 0;
    }
    return e;
}

SDL_Event finger(Uint32 type, SDL_FingerID id, float x, float y) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.fingerId = id;
    e.tfinger.x = x;
    e.tfinger.y = y;
    return e;
}

class TouchRoutingTest : public ::testing::Test {
  protected:
    platform::MainLoopTestScope loop;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    TouchInput input{window};
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(TouchRoutingTest, MouseIsOneTouchDeliveredInTheViewsCoordinates) {
    auto target = std::make_shared<TouchLog>(Rect{100, 100, 50, 50});
    window->addSubview(target);
    input.setViewportSize(640, 960);  // a window shown at twice the size

    input.handleEvent(mouse(SDL_MOUSEBUTTONDOWN, 220, 240));
    input.handleEvent(mouse(SDL_MOUSEMOTION, 400, 240));  // leaves the view: still its touch
    input.handleEvent(mouse(SDL_MOUSEBUTTONUP, 400, 240));
    EXPECT_EQ(target->log, (Log{"began:1", "moved:1", "ended:1"}));
    EXPECT_EQ(target->where.front(), (Point{10, 20}));
    EXPECT_EQ(target->where.back(), (Point{100, 20}));
    EXPECT_EQ(input.activeTouchCount(), 0u);

    // Motion without a pressed button is no touch.
    input.handleEvent(mouse(SDL_MOUSEMOTION, 220, 240));
    EXPECT_EQ(target->log.size(), 3u);
}

TEST_F(TouchRoutingTest, ALetterboxedWindowMapsThePictureNotTheBars) {
    auto target = std::make_shared<TouchLog>(Rect{100, 100, 50, 50});
    window->addSubview(target);
    input.setViewportSize(1920, 960);  // maximised: the picture is 640 wide from x = 640

    input.handleEvent(mouse(SDL_MOUSEBUTTONDOWN, 640 + 220, 240));
    input.handleEvent(mouse(SDL_MOUSEBUTTONUP, 640 + 220, 240));
    ASSERT_EQ(target->log, (Log{"began:1", "ended:1"}));
    EXPECT_EQ(target->where.front(), (Point{10, 20}));
}

TEST_F(TouchRoutingTest, FingersAreSeparateTouchesAndUnhandledTouchesClimbTheChain) {
    auto parent = std::make_shared<TouchLog>(Rect{0, 0, 320, 240});
    auto inert = View::create({0, 0, 100, 100});  // takes touches but does not handle them
    window->addSubview(parent);
    parent->addSubview(inert);

    input.handleEvent(finger(SDL_FINGERDOWN, 1, 0.125f, 0.125f));  // (40, 60) in inert
    input.handleEvent(finger(SDL_FINGERDOWN, 2, 0.5f, 0.25f));     // (160, 120) in parent only
    input.handleEvent(finger(SDL_FINGERUP, 1, 0.125f, 0.125f));
    input.handleEvent(finger(SDL_FINGERUP, 2, 0.5f, 0.25f));
    EXPECT_EQ(parent->log, (Log{"began:1", "began:1", "ended:1", "ended:1"}));
    EXPECT_EQ(parent->where.front(), (Point{40, 60}));
}

TEST_F(TouchRoutingTest, ButtonFiresOnTouchUpInsideOnly) {
    auto button = Button::create(ButtonType::RoundedRect, {10, 10, 100, 40});
    window->addSubview(button);
    std::vector<unsigned> events;
    button->addTarget([&](Control*) { events.push_back(ControlEventTouchUpInside); },
                      ControlEventTouchUpInside);
    button->addTarget([&](Control*) { events.push_back(ControlEventTouchUpOutside); },
                      ControlEventTouchUpOutside);

    input.touchDown(1, {20, 20});
    EXPECT_TRUE(button->isHighlighted());
    input.touchUp(1, {20, 20});
    EXPECT_FALSE(button->isHighlighted());
    input.touchDown(1, {20, 20});
    input.touchMove(1, {300, 400});  // far outside, beyond the slop
    input.touchUp(1, {300, 400});
    EXPECT_EQ(events,
              (std::vector<unsigned>{ControlEventTouchUpInside, ControlEventTouchUpOutside}));

    button->setEnabled(false);
    input.touchDown(1, {20, 20});
    input.touchUp(1, {20, 20});
    button->tap();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(TouchRoutingTest, TapRecognizerTakesTheTouchFromTheView) {
    auto target = std::make_shared<TouchLog>(Rect{0, 0, 200, 200});
    window->addSubview(target);
    int taps = 0;
    target->addGestureRecognizer(TapGestureRecognizer::create([&](GestureRecognizer& g) {
        if (g.state() == GestureState::Ended) ++taps;
    }));
    input.touchDown(1, {50, 50});
    input.touchUp(1, {52, 51});
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(target->log, (Log{"began:1", "cancelled:1"}));

    // A finger that wanders is no tap, and the view keeps its touches.
    target->log.clear();
    loop.advance(1);
    input.touchDown(1, {50, 50});
    input.touchMove(1, {90, 50});
    input.touchUp(1, {90, 50});
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(target->log, (Log{"began:1", "moved:1", "ended:1"}));
}

TEST_F(TouchRoutingTest, DoubleTapNeedsTwoQuickTapsInOnePlace) {
    auto target = View::create({0, 0, 200, 200});
    window->addSubview(target);
    auto tap = TapGestureRecognizer::create();
    tap->setNumberOfTapsRequired(2);
    int fired = 0;
    tap->addTarget([&](GestureRecognizer&) { ++fired; });
    target->addGestureRecognizer(tap);

    input.touchDown(1, {50, 50});
    input.touchUp(1, {50, 50});
    loop.advance(0.1);
    input.touchDown(1, {52, 50});
    input.touchUp(1, {52, 50});
    EXPECT_EQ(fired, 1);

    loop.advance(1);
    input.touchDown(1, {50, 50});
    input.touchUp(1, {50, 50});
    loop.advance(0.5);  // too slow
    input.touchDown(1, {50, 50});
    input.touchUp(1, {50, 50});
    EXPECT_EQ(fired, 1);
    // The slow tap began a new count: one quick tap more makes a double tap.
    loop.advance(0.1);
    input.touchDown(1, {50, 50});
    input.touchUp(1, {50, 50});
    EXPECT_EQ(fired, 2);

    // Quick but far apart: the second tap starts over rather than completing the first.
    loop.advance(1);
    input.touchDown(1, {20, 20});
    input.touchUp(1, {20, 20});
    loop.advance(0.1);
    input.touchDown(1, {150, 150});
    input.touchUp(1, {150, 150});
    EXPECT_EQ(fired, 2);
    loop.advance(0.1);
    input.touchDown(1, {150, 150});
    input.touchUp(1, {150, 150});
    EXPECT_EQ(fired, 3);
}

TEST_F(TouchRoutingTest, PanReportsTranslationFromAnAncestorsRecognizer) {
    auto parent = View::create({0, 0, 320, 480});
    auto child = std::make_shared<TouchLog>(Rect{0, 0, 100, 100});
    window->addSubview(parent);
    parent->addSubview(child);
    std::vector<GestureState> states;
    Point last;
    auto pan = PanGestureRecognizer::create([&](GestureRecognizer& g) {
        states.push_back(g.state());
        last = static_cast<PanGestureRecognizer&>(g).translationInView(parent.get());
    });
    parent->addGestureRecognizer(pan);

    input.touchDown(1, {10, 10});
    loop.advance(0.1);
    input.touchMove(1, {14, 10});  // below the hysteresis
    EXPECT_TRUE(states.empty());
    loop.advance(0.1);
    input.touchMove(1, {30, 10});
    loop.advance(0.1);
    input.touchMove(1, {40, 20});
    input.touchUp(1, {40, 20});
    EXPECT_EQ(states, (std::vector<GestureState>{GestureState::Began, GestureState::Changed,
                                                 GestureState::Ended}));
    EXPECT_EQ(last, (Point{30, 10}));
    EXPECT_EQ(child->log, (Log{"began:1", "moved:1", "cancelled:1"}));
    EXPECT_EQ(pan->state(), GestureState::Possible);  // ready for the next one
}

TEST_F(TouchRoutingTest, SecondFingerReachesOnlyViewsThatTakeSeveral) {
    auto single = std::make_shared<TouchLog>(Rect{0, 0, 320, 240});
    auto multi = std::make_shared<TouchLog>(Rect{0, 240, 320, 240});
    multi->setMultipleTouchEnabled(true);
    window->addSubview(single);
    window->addSubview(multi);
    input.touchDown(1, {10, 10});
    input.touchDown(2, {50, 50});  // dropped
    input.touchUp(2, {50, 50});
    input.touchUp(1, {10, 10});
    EXPECT_EQ(single->log, (Log{"began:1", "ended:1"}));
    input.touchDown(3, {10, 300});
    input.touchDown(4, {50, 300});
    input.touchUp(3, {10, 300});
    input.touchUp(4, {50, 300});
    EXPECT_EQ(multi->log, (Log{"began:1", "began:1", "ended:1", "ended:1"}));
}
