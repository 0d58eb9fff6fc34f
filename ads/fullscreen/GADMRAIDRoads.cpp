#include "ads/fullscreen/GADMRAIDRoads.h"

#include "ads/foundation/GADMRAIDEventHandling.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADMRAIDCalendarProperties.h"
#include "ads/fullscreen/GADMRAIDResizeOverlayPresenter.h"
#include "ads/fullscreen/GADMRAIDStateReport.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/services/CalendarStore.h"
#include "platform/services/EventEditor.h"

namespace ads {

using platform::Value;

namespace {

constexpr const char* kResizing = "Resizing an ad";
constexpr const char* kCreatingEvents = "Creating calendar events";

// "resized" and the size with it, in one delivery: the ad's MRAID handler measures where the
// ad now stands; without one, the size the properties asked for.
void reportResized(const std::shared_ptr<GADMRAIDEventHandling>& handler,
                   const std::weak_ptr<GADAdView>& adView,
                   const GADMRAIDResizeProperties& properties) {
    auto view = adView.lock();
    if (!view) return;
    GADMRAIDEvents events{GADMRAIDStateReport::stateEvent("resized")};
    auto layout = handler ? handler->MRAIDLayoutDidChange(view, true) : GADMRAIDEvents{};
    if (layout.empty()) {
        layout.push_back(
            {"onSizeChanged",
             {{"width", Value(properties.size.width)}, {"height", Value(properties.size.height)}}});
    }
    for (auto& event : layout) events.push_back(std::move(event));
    view->dispatchSDKEvents(events);
}

// Closes the editor whatever the user chose, through its proxy when it has one.
class EditorDelegate : public platform::services::EventEditorDelegate {
  public:
    void eventEditorDidComplete(platform::services::EventEditor& editor,
                                platform::services::EventEditAction) override {
        auto controller =
            std::static_pointer_cast<platform::ui::ViewController>(editor.shared_from_this());
        GADOverlayProxy::relinquishOrDismiss(controller, {});
    }

    static std::shared_ptr<EditorDelegate> shared() {
        static auto* delegate = new std::shared_ptr<EditorDelegate>(new EditorDelegate);
        return *delegate;
    }
};

// The calendar's question belongs to the screen of the ad that raised it: when that screen
// (an interstitial, an expanded ad) closes, the question goes down unanswered with it, so it
// never stands over the app's own screen.
struct QuestionWithItsScreen {
    platform::NotificationCenter::Observation closing;

    void goesWith(const std::shared_ptr<platform::ui::ViewController>& from,
                  const std::shared_ptr<platform::services::CalendarAccessRequest>& question) {
        if (!question) return;
        std::weak_ptr<platform::services::CalendarAccessRequest> weakQuestion = question;
        closing = GADViewController::observeLeaving(from, [weakQuestion] {
            if (auto question = weakQuestion.lock()) question->withdraw();
        });
    }
};

void postCanceled(const std::weak_ptr<GADAdView>& adView) {
    platform::MainLoop::main().runOnMain([adView] {
        if (auto view = adView.lock()) view->postJSNotification("onCalendarEventCanceled", nullptr);
    });
}

}  // namespace

void GADMRAIDRoads::load() {
    static platform::Once once;
    once.call([] {
        auto& roads = GADOpenerRoads::shared();
        roads.setResize(&GADMRAIDRoads::resize);
        roads.setCalendar(&GADMRAIDRoads::calendar);
    });
}

void GADMRAIDRoads::resize(GADOpener& opener, const Value::Dictionary& parameters) {
    MOVU_CHECK_MAIN_THREAD();
    const auto properties =
        GADMRAIDResizeProperties::MRAIDResizePropertiesWithDictionary(parameters);
    auto adView = opener.adView();
    if (!opener.canOpenContent(adView != nullptr)) return;
    std::weak_ptr<GADAdView> weakView = adView;
    auto from = opener.viewController();
    auto screen = std::dynamic_pointer_cast<GADViewController>(from);
    auto resizing =
        screen ? std::dynamic_pointer_cast<GADMRAIDResizeOverlayPresenter>(screen->presenter())
               : nullptr;
    // Any other full-screen ad is not resized.
    if (screen && !resizing) return;
    // What the creative asks is checked first, with the presenter's own errors: invalid
    // properties are told as such, touched or not, and spend no touch.
    using Presenter = GADMRAIDResizeOverlayPresenter;
    const platform::ui::View* reference =
        resizing ? resizing->referenceView().get() : adView->superview().get();
    if (!properties || !Presenter::resizePropertiesAreValid(*properties, reference)) {
        const auto described = GADMRAIDResizeProperties::description(properties);
        if (resizing) {
            opener.reportMRAIDError(Presenter::kReceivedInvalid + described, "setResizeProperties");
        } else {
            opener.reportMRAIDError(Presenter::kTriedInvalid + described, "resize");
        }
        return;
    }
    const auto answer = opener.gate(resizing ? GADOpening::NewSize : GADOpening::Resize);
    if (answer != GADGateAnswer::Allowed) {
        opener.reportMRAIDError(GADOpener::refusalMessage(kResizing, answer), "resize");
        return;
    }
    if (resizing) {
        if (!resizing->setResizeProperties(properties)) return;
        resizing->repositionContentIfNeeded();
        if (auto adApp = std::dynamic_pointer_cast<GADAdAppViewController>(screen)) {
            adApp->setCustomClosePosition(properties->customClosePosition);
        }
        reportResized(resizing->MRAIDEventHandler(), weakView, *properties);
        return;
    }
    auto controller = GADExpandedAdAppViewController::create(adView);
    if (!controller) return;
    controller->setSupportedInterfaceOrientations(GADOpenerProtocol::kAllOrientations);
    controller->setSlot(opener.slot());
    controller->setUseCustomClose(true);
    auto presenter = GADMRAIDResizeOverlayPresenter::create(adView->superview());
    presenter->setAdView(adView);
    auto slot = opener.slot();
    if (auto handler = slot ? slot->MRAIDEventHandler() : nullptr) {
        presenter->setMRAIDEventHandler(handler);
    }
    // Checked when it is asked to present, so a refusal is the resize's own error.
    presenter->setInitialResizeProperties(properties);
    controller->setPresenter(presenter);
    if (properties) controller->setCustomClosePosition(properties->customClosePosition);
    std::weak_ptr<GADMRAIDResizeOverlayPresenter> weakPresenter = presenter;
    std::weak_ptr<GADMRAIDEventHandling> weakHandler = presenter->MRAIDEventHandler();
    controller->setReturnCompletion([weakView, weakPresenter, weakHandler] {
        auto presenter = weakPresenter.lock();
        // A resize that went on to expand or to a page of its own leaves the state to them;
        // the layout's change ends here all the same.
        const bool toDefault = !presenter || presenter->dismissToDefaultState();
        GADMRAIDStateReport::layoutDidChange(
            weakHandler.lock(), weakView.lock(),
            toDefault ? std::optional<std::string>("default") : std::nullopt);
    });
    // The ad view moves as the screen comes: from here its state tells where it is.
    GADMRAIDStateReport::layoutWillChange(weakHandler.lock());
    const bool started =
        controller->presentFromViewController(from, [weakView, weakPresenter, weakHandler] {
            auto presenter = weakPresenter.lock();
            if (presenter && presenter->resizeProperties()) {
                reportResized(weakHandler.lock(), weakView, *presenter->resizeProperties());
            }
        });
    if (!started) {
        GADMRAIDStateReport::layoutDidChange(weakHandler.lock(), adView, std::nullopt);
        return;
    }
    opener.didOpenInApp();
}

void GADMRAIDRoads::calendar(GADOpener& opener, const Value::Dictionary& parameters) {
    MOVU_CHECK_MAIN_THREAD();
    using platform::services::CalendarAuthorizationStatus;
    using platform::services::CalendarStore;
    const auto properties = GADMRAIDCalendarProperties::fromDictionary(parameters);
    if (!properties) {
        opener.reportMRAIDError(
            "Could not fully parse event dictionary: " + Value(parameters).description(),
            "createCalendarEvent");
        return;
    }
    if (const auto answer = opener.gate(GADOpening::CalendarEvent);
        answer != GADGateAnswer::Allowed) {
        opener.reportMRAIDError(GADOpener::refusalMessage(kCreatingEvents, answer),
                                "createCalendarEvent");
        return;
    }
    auto editor = platform::services::EventEditor::create();
    editor->setEvent(properties->event(platform::Clock::wallSeconds()));
    editor->setEditViewDelegate(EditorDelegate::shared());
    if (auto proxy = GADOverlayProxy::create(editor)) proxy->setSlot(opener.slot());
    std::weak_ptr<GADAdView> weakView = opener.adView();
    switch (CalendarStore::authorizationStatus()) {
        case CalendarAuthorizationStatus::Authorized:
            opener.presentComposerControllerPastTheGate(editor);
            return;
        case CalendarAuthorizationStatus::NotDetermined: {
            std::weak_ptr<GADOpener> weakOpener = opener.shared_from_this();
            auto screen = std::make_shared<QuestionWithItsScreen>();
            auto question =
                CalendarStore::requestAccess([weakOpener, editor, weakView, screen](bool granted) {
                    screen->closing.reset();
                    if (!granted) {
                        postCanceled(weakView);
                        return;
                    }
                    if (auto opener = weakOpener.lock())
                        opener->presentComposerControllerPastTheGate(editor);
                });
            screen->goesWith(opener.viewController(), question);
            return;
        }
        case CalendarAuthorizationStatus::Restricted:
        case CalendarAuthorizationStatus::Denied:
            break;
    }
    postCanceled(weakView);
}

}  // namespace ads
