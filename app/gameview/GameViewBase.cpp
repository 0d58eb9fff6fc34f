#include "app/gameview/GameViewBase.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "app/gameview/GameViewContainer.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelInfo.h"
#include "platform/gfx/GLContext.h"
#include "platform/gfx/GLES1.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"
#include "util/LogMessage.h"
#include "util/SystemVersion.h"

namespace app {

using platform::gfx::gl;

namespace {

// A finger as the game core sees it: read through the game view each time, so a touch that
// moves is where it is now.
class GameViewTouch final : public JTAppBase::ShellTouch {
  public:
    GameViewTouch(std::shared_ptr<platform::ui::Touch> touch,
                  std::weak_ptr<platform::ui::View> view)
        : touch_(std::move(touch)), view_(std::move(view)) {}
    platform::Point locationInView(const JTAppBase::ShellGameView*) const override {
        auto view = view_.lock();
        return touch_->locationInView(view.get());
    }
    const platform::ui::Touch* touch() const { return touch_.get(); }

  private:
    std::shared_ptr<platform::ui::Touch> touch_;
    std::weak_ptr<platform::ui::View> view_;
};

bool isActivePhase(platform::ui::TouchPhase phase) {
    return phase == platform::ui::TouchPhase::Began || phase == platform::ui::TouchPhase::Moved ||
           phase == platform::ui::TouchPhase::Stationary;
}

}  // namespace

GameViewBase::GameViewBase(std::shared_ptr<GameViewHost> host,
                           platform::ui::InterfaceOrientation orientation)
    : EAGLView(platform::Rect{{0, 0}, host ? host->screenSize() : platform::Size{}}),
      host_(std::move(host)),
      interfaceOrientation_(orientation),
      disableOrientation_(util::SystemSupportsOS8()) {
    GameViewBase::setup();
}

GameViewBase::~GameViewBase() {
    util::LogMessage("-[GameViewBase dealloc]", 1, "dealloc");
    // What stop() would undo and must not outlive us: the timer, the accelerometer, the
    // observer. The view tree lets go of us by itself.
    if (timer_) timer_->invalidate();
    if (accelerometerHelper_) accelerometerHelper_->stop();
    if (started_) platform::ui::Application::shared().setIdleTimerDisabled(false);
}

std::shared_ptr<GameViewBase> GameViewBase::self() {
    return std::static_pointer_cast<GameViewBase>(shared_from_this());
}

void GameViewBase::setup() {
    setOpaque(true);
    loop_.resetRates();
    if (host_ && host_->accelerometerCalibrationType() != 0)
        accelerometerHelper_ = AccelerometerHelper::create(host_);
    gameScene_.reset();
    if (host_) setContentScaleFactor(host_->contentsScaleValue());
    setAutoresizesEAGLSurface(true);
}

std::shared_ptr<platform::gfx::GLContext> GameViewBase::initialEAGLContext() {
    return host_ ? host_->eaglContext() : nullptr;
}

std::shared_ptr<JTAppBase::ShellAppCore> GameViewBase::appCore() {
    return host_ ? host_->shellAppCore() : nullptr;
}

JTAppBase::JTAppContextPtr GameViewBase::appContext() const {
    return host_ ? host_->appContext() : nullptr;
}

// ---- scene ----

void GameViewBase::startGameScene(const JTAppBase::JTScenePtr& scene) {
    gameScene_ = scene;
    if (!scene) return;
    auto context = appContext();
    auto level = context ? context->getLevelInfo() : nullptr;
    levelInfo_ = level && host_ ? host_->levelInfoForId(level->getId()) : nullptr;

    if (!loop_.setFrameIntervalMs(scene->getFrameIntervalMs())) {
        // No rate can be computed from it: the loop runs at the rates it has before any scene.
        util::LogMessage("-[GameViewBase startGameScene:]", 3,
                         "scene frame interval is not positive");
    }
}

// ---- start, resume, suspend, stop ----

void GameViewBase::start() {
    EAGLView::start();
    util::LogMessage("-[GameViewBase start]", 1, "start");
    started_ = true;
    platform::ui::Application::shared().setIdleTimerDisabled(true);
    std::weak_ptr<GameViewBase> weak = self();
    backgroundObserver_ =
        platform::ui::observeNotification(platform::ui::kDidEnterBackgroundNotification, [weak] {
            if (auto v = weak.lock()) v->startPauseViewNow();
        });
    prepareRender();
    updateCanvasSize();
    applyGLState();
    gl().glClearColor(0, 0, 0, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);
    // The game's sprites are drawn pixel-exact; a multisampled context would blur their edges.
    gl().glDisable(GL_MULTISAMPLE);
    loop_.restart(platform::Clock::monotonic());
    enterPauseCount_ = 0;
    loop_.resetTickCount();
    onStart();
    onRender();
    swapBuffers();
    resume();
}

void GameViewBase::resume() {
    if (active_) return;
    auto window = host_ ? host_->window() : nullptr;
    if (window) {
        // An alert lives above the screens as if in a window of its own: it stays.
        auto alert = platform::ui::AlertView::visibleAlert();
        auto alertView = alert ? alert->view() : nullptr;
        auto old = window->subviews();
        for (const auto& v : old) {
            if (v == alertView) continue;
            char line[128];
            std::snprintf(line, sizeof line, "old subview exists: <%s: %p>", v->className(),
                          static_cast<void*>(v.get()));
            util::LogMessage("-[GameViewBase resume]", 3, line);
            v->removeFromSuperview();
        }
    }
    if (window) {
        // The window owns the container and the container us, as a view owns its subviews;
        // we only point at it, so a window torn down under a running game frees both.
        platform::Size screen = host_ ? host_->screenSize() : platform::Size{};
        auto container = GameViewContainer::create(platform::Rect{{0, 0}, screen}, self());
        container->addSubview(self());
        window->addSubview(container);
        containerView_ = container;
    }
    startTimer();
    active_ = true;
    if (accelerometerHelper_) accelerometerHelper_->startWithFrequency(50.0, 7e-5);
    clearTouches();
}

void GameViewBase::suspend() {
    if (!active_) return;
    active_ = false;
    // A countdown cut short (the app went to the background) must not open the pause screen
    // again once the game is back.
    enterPauseCount_ = 0;
    if (accelerometerHelper_) accelerometerHelper_->stop();
    stopTimer();
    auto keep = self();  // leaving the tree drops the container's reference to us
    removeFromSuperview();
    if (auto container = containerView_.lock()) {
        container->removeFromSuperview();
        container->setGameView({});
    }
    containerView_.reset();
}

void GameViewBase::stop() {
    suspend();
    backgroundObserver_.reset();
    platform::ui::Application::shared().setIdleTimerDisabled(false);
    EAGLView::stop();
    started_ = false;
}

void GameViewBase::clearTouches() {
    auto context = appContext();
    if (!context) return;
    if (isMultipleTouchEnabled())
        context->clearActiveTouches();
    else
        context->setCurrentTouch(nullptr);
}

// ---- the loop ----

void GameViewBase::startTimer() {
    stopTimer();
    std::weak_ptr<GameViewBase> weak = self();
    timer_ = platform::Timer::schedule(loop_.period(), true, [weak] {
        if (auto v = weak.lock()) v->onTimerFired();
    });
    loop_.restart(platform::Clock::monotonic());
}

void GameViewBase::stopTimer() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void GameViewBase::onTimerFired() {
    const FixedStepLoop::Firing firing = loop_.fire(platform::Clock::monotonic());
    if (firing.overMaxSkip) {
        char line[48];
        std::snprintf(line, sizeof line, "Over maxSkip: %d", firing.late);
        util::LogMessage("-[GameViewBase onTimerFired]", 1, line);
    }
    for (int i = 0; i < firing.ticks; ++i) {
        loop_.countTick();
        onTick();
        // The tick may have ended the run (game over, back to the title): the view has left
        // the window and this firing is over.
        if (!active_) return;
        if (enterPauseCount_ >= 1 && --enterPauseCount_ == 0) {
            startPauseView();
            return;
        }
    }
    render();
}

void GameViewBase::onTick() {
    // Held for the tick: a scene that ends the run may be dropped by the app core meanwhile.
    JTAppBase::JTScenePtr scene = gameScene_;
    if (!scene) return;
    auto context = appContext();
    auto canvas = context ? context->getCanvas() : nullptr;
    if (canvas) canvas->beginFrame();
    scene->onFrame();
    if (canvas) canvas->endFrame();
}

void GameViewBase::render() {
    prepareRender();
    onRender();
    drawPauseButton();
    swapBuffers();
}

void GameViewBase::onRender() {
    JTAppBase::JTScenePtr scene = gameScene_;
    if (!scene) return;
    auto context = appContext();
    auto canvas = context ? context->getCanvas() : nullptr;
    if (canvas) canvas->beginRender();
    scene->draw(canvas);
    if (canvas) canvas->endRender();
}

void GameViewBase::prepareRender() {
    if (context() && !isCurrentContext()) setCurrentContext();
    if (bindSurface()) applyGLState();
}

void GameViewBase::applyGLState() {
    // The compositor shares the context and leaves its own state between our frames, so the
    // game's state is set again before each one.
    auto& g = gl();
    g.glDisable(GL_SCISSOR_TEST);
    g.glMatrixMode(GL_PROJECTION);
    g.glLoadIdentity();
    if (auto p = projection().glProjection(canvasSize_)) {
        g.glOrthof(0, p->width, 0, p->height, -1, 1);
        if (p->degrees != 0) {
            g.glTranslatef(p->translateX, p->translateY, 0);
            g.glRotatef(p->degrees, 0, 0, 1);
        }
    }
    applyDrawingState();
}

void GameViewBase::applyDrawingState() {
    auto& g = gl();
    g.glMatrixMode(GL_MODELVIEW);
    g.glLoadIdentity();
    g.glDisable(GL_DITHER);
    g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    g.glEnable(GL_BLEND);
    g.glEnable(GL_TEXTURE_2D);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glDisableClientState(GL_COLOR_ARRAY);
    g.glColor4f(1, 1, 1, 1);
}

void GameViewBase::drawPauseButton() {
    auto& g = gl();
    if (enterPauseCount_ >= 1 && loop_.pauseWaitTicks() >= 1) {
        g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
        g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        // Brightest when the countdown starts, fading as it runs out.
        int v = (enterPauseCount_ * 191 / loop_.pauseWaitTicks() + 64) % 256;
        g.glColor4ub(GLubyte(v), GLubyte(v), GLubyte(v), GLubyte(v));
    } else {
        g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        g.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        g.glColor4ub(160, 160, 160, 160);
    }
    if (!pauseBtnEnable() || !gameScene_ || !host_) return;
    auto icon = host_->texIconPause();
    if (!icon) return;
    platform::Point p = pauseBtnPosTranslated();
    icon->drawAtPoint({p.x, gameScene_->getHeight() - p.y});
}

// ---- pause ----

void GameViewBase::enterPause() {
    enterPauseCount_ = std::max(1, loop_.pauseWaitTicks());
}

void GameViewBase::startPauseView() {
    if (!active_) return;
    startPauseViewNow();
    if (host_) host_->transitionAnimation(platform::ui::AnimationTransition::CurlDown, 0.5);
}

void GameViewBase::startPauseViewNow() {
    if (!active_) return;
    suspend();
    if (host_) host_->startPauseView();
}

platform::Point GameViewBase::pauseBtnPosTranslated() const {
    platform::Point p = pauseBtnPos_;
    double w = gameScene_ ? gameScene_->getWidth() : 0;
    double h = gameScene_ ? gameScene_->getHeight() : 0;
    if (p.x < 0) p.x += w;
    if (p.y < 0) p.y += h;
    return p;
}

platform::Point GameViewBase::pauseBtnPosInView() {
    // The pause screen lays out in the window's points: the canvas point goes through the
    // letterbox (the view's frame) to land on the button on any screen size.
    if (!pauseBtnEnable()) return {};
    platform::Point p = pauseBtnPosTranslated();
    platform::Rect f = frame();
    double w = gameScene_ ? gameScene_->getWidth() : 0;
    double h = gameScene_ ? gameScene_->getHeight() : 0;
    double sx = w > 0 ? f.size.width / w : 1;
    double sy = h > 0 ? f.size.height / h : 1;
    return {f.origin.x + p.x * sx, f.origin.y + p.y * sy};
}

// ---- game over ----

void GameViewBase::gameOverWithScore(int32_t score) {
    GameViewScoreRecorder::Recorded recorded;
    auto recorder = host_ ? host_->scoreRecorder() : nullptr;
    if (recorder && levelInfo_)
        recorded = recorder->registerScore(levelInfo_, score, platform::Clock::wallSeconds());
    auto keep = self();
    stop();
    if (host_) host_->startGameOverView(recorded);
}

// ---- touches ----

void GameViewBase::touchesBegan(const platform::ui::TouchSet& touches,
                                const platform::ui::Event& event) {
    doPauseBtn(touches);
    doTouchDown(touches, event);
}

void GameViewBase::touchesMoved(const platform::ui::TouchSet& touches,
                                const platform::ui::Event& event) {
    doTouchDown(touches, event);
}

void GameViewBase::touchesEnded(const platform::ui::TouchSet& touches,
                                const platform::ui::Event& event) {
    doTouchUp(touches, event);
}

void GameViewBase::touchesCancelled(const platform::ui::TouchSet& touches,
                                    const platform::ui::Event& event) {
    doTouchUp(touches, event);
}

void GameViewBase::doPauseBtn(const platform::ui::TouchSet& touches) {
    if (!pauseBtnEnable() || touches.empty() || !touches.front()) return;
    platform::Point p = convertPointFromRawView(touches.front()->locationInView(this));
    platform::Point b = pauseBtnPosTranslated();
    if (std::abs(p.x - b.x) < kPauseHitHalfWidth && std::abs(p.y - b.y) < kPauseHitHalfHeight)
        enterPause();
}

std::shared_ptr<JTAppBase::ShellTouch> GameViewBase::shellTouch(
    const std::shared_ptr<platform::ui::Touch>& touch) {
    return std::make_shared<GameViewTouch>(touch, weak_from_this());
}

void GameViewBase::collectActiveTouches(const platform::ui::TouchSet& touches) {
    auto context = appContext();
    if (!context) return;
    context->clearActiveTouches();
    for (const auto& t : touches)
        if (t && isActivePhase(t->phase())) context->addActiveTouch(shellTouch(t));
}

void GameViewBase::doTouchDown(const platform::ui::TouchSet& touches,
                               const platform::ui::Event& event) {
    if (pausing()) return;
    auto context = appContext();
    if (!context) return;
    if (isMultipleTouchEnabled()) {
        collectActiveTouches(event.allTouches());
    } else if (!touches.empty() && touches.front()) {
        context->setCurrentTouch(shellTouch(touches.front()));
    }
}

void GameViewBase::doTouchUp(const platform::ui::TouchSet&, const platform::ui::Event& event) {
    auto context = appContext();
    if (!context) return;
    if (isMultipleTouchEnabled())
        collectActiveTouches(event.allTouches());
    else
        context->setCurrentTouch(nullptr);
}

// ---- coordinates ----

void GameViewBase::updateCanvasSize() {
    if (!gameScene_ || !host_) return;
    double sceneW = gameScene_->getWidth(), sceneH = gameScene_->getHeight();
    if (!(sceneW > 0) || !(sceneH > 0)) return;
    canvasSize_ = {sceneW, sceneH};
    const CanvasProjection projection = this->projection();
    setFrame(projection.letterbox(canvasSize_, host_->screenSize()));
    platform::Size b = bounds().size;
    viewSize_ = projection.sideways() ? platform::Size{b.height, b.width} : b;
    // The surface was made for the full screen; the frame before the first tick must already
    // go into one of the letterboxed size, which the compositor then keeps.
    layoutSubviews();
}

platform::Point GameViewBase::convertPointFromRawView(platform::Point p) {
    std::optional<platform::Size> scene;
    if (gameScene_)
        scene = platform::Size{static_cast<double>(gameScene_->getWidth()),
                               static_cast<double>(gameScene_->getHeight())};
    return projection().toCanvas(p, viewSize_, scene);
}

// ---- resources ----

void GameViewBase::onStart() {
    if (host_) host_->stopLoopingEffects(true, false);
}

void GameViewBase::playSound(int index) {
    if (auto s = host_ ? host_->sound(index) : nullptr) s->start();
}

void GameViewBase::stopSound(int index) {
    if (host_) host_->stopSound(index);
}

std::shared_ptr<JTAppBase::ShellTexture> GameViewBase::texture(int index) {
    auto core = appCore();
    return core ? core->texture(index) : nullptr;
}

}  // namespace app
