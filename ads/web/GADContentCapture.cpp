#include "ads/web/GADContentCapture.h"

#include "ads/foundation/GADCharacterSets.h"
#include "ads/foundation/GADContent.h"
#include "ads/foundation/GADQueue.h"
#include "ads/foundation/GADScheduler.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADViewHierarchyTraverser.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebContentView.h"

namespace ads {

std::shared_ptr<GADContentCapture> GADContentCapture::sharedInstance() {
    static const std::shared_ptr<GADContentCapture> shared =
        create(GADApplication::sharedInstance());
    return shared;
}

std::shared_ptr<GADContentCapture> GADContentCapture::create(
    std::weak_ptr<GADApplication> application) {
    return std::make_shared<GADContentCapture>(Private{}, std::move(application));
}

GADContentCapture::GADContentCapture(Private, std::weak_ptr<GADApplication> application)
    : application_(std::move(application)) {}

GADContentCapture::~GADContentCapture() = default;

void GADContentCapture::load() {
    static platform::Once once;
    once.call([] {
        auto application = GADApplication::sharedInstance();
        application->setContentHashingEngine(sharedInstance());
        application->addEarlyActivity(GADEarlyActivities::Rank::ContentHashing, [] {
            GADApplication::sharedInstance()->startContentHashing();
        });
    });
}

void GADContentCapture::startContentHashing() {
    MOVU_CHECK_MAIN_THREAD();
    if (scheduler_) return;
    auto application = application_.lock();
    if (!application) return;
    ++run_;
    const GADContentSettings settings = GADContentSettings::fromDefaults();
    contentQueue_ = std::make_shared<GADContentQueue>(settings.queueCapacity);
    application->contentHashingQueue()->async(
        [weak = std::weak_ptr<GADApplication>(application), queue = contentQueue_] {
            if (auto held = weak.lock()) held->setContentQueue(queue);
        });
    traverser_ = GADViewHierarchyTraverser::create();
    // The server's ranges reach the tokenizer whenever the SDK constants load again.
    GADCharacterSets::sharedInstance();
    GADSDKCoreController::sharedInstance()->setUpdateCharacterSetsHook(
        [] { GADCharacterSets::sharedInstance()->updateCharacterSets(); });
    scheduler_ = GADScheduler::create(settings.traversalInterval);
    scheduler_->taskIDScheduledOnQueue(GADQueue::main(), [weak = weak_from_this()] {
        if (auto self = weak.lock()) self->capture();
    });
    scheduler_->start();
}

void GADContentCapture::stopContentHashing() {
    MOVU_CHECK_MAIN_THREAD();
    if (!scheduler_) return;
    ++run_;
    scheduler_->stop();
    scheduler_.reset();
    traverser_.reset();
}

void GADContentCapture::capture() {
    MOVU_CHECK_MAIN_THREAD();
    auto application = application_.lock();
    if (!scheduler_ || !traverser_ || !application) return;
    std::shared_ptr<platform::ui::View> root;
    if (auto window = platform::ui::Application::shared().keyWindow()) {
        if (auto controller = window->rootViewController()) root = controller->view();
    }
    struct Walk {
        std::shared_ptr<GADContent> content;
    };
    auto walk = std::make_shared<Walk>();
    const auto queue = application->contentHashingQueue();
    const auto sets = GADCharacterSets::sharedInstance();
    const auto settings = GADContentSettings::fromDefaults();
    const auto characterDelimited = sets->characterDelimitedSet();
    const auto spaceDelimited = sets->spaceDelimitedSet();
    const std::weak_ptr<GADContentCapture> weakSelf = weak_from_this();
    const std::uint64_t run = run_;
    const auto current = [weakSelf, run] {
        auto self = weakSelf.lock();
        return self && self->run_ == run;
    };
    traverser_->traverseView(
        root,
        [=](const std::shared_ptr<platform::ui::View>& view, std::int64_t sequence) {
            if (!current()) return;
            if (!walk->content) {
                walk->content =
                    std::make_shared<GADContent>(static_cast<std::uint64_t>(sequence), settings,
                                                 characterDelimited, spaceDelimited);
            }
            auto text = textOfView(*view);
            if (!text || text->empty()) return;
            queue->async([content = walk->content, text = std::move(*text)] {
                content->updateContentWithText(text);
            });
        },
        [=, contents = std::weak_ptr<GADContentQueue>(contentQueue_)](bool finished) {
            if (!finished || !current() || !walk->content) return;
            queue->async([content = walk->content, contents] {
                auto stored = contents.lock();
                if (!stored || content->fingerprint().empty()) return;
                stored->deduplicate(content);
                stored->enqueueContent(content);
            });
        });
}

std::shared_ptr<platform::SerialQueue> GADContentCapture::walkQueue() const {
    return traverser_ ? traverser_->queue() : nullptr;
}

bool GADContentCapture::isCapturing() const {
    return traverser_ && traverser_->isTraversing();
}

std::optional<std::string> GADContentCapture::textOfView(platform::ui::View& view) {
    if (auto* web = dynamic_cast<platform::web::WebContentView*>(&view)) {
        if (!web->webView()) return std::nullopt;
        return cutAtCharacterBoundary(
            web->webView()->stringByEvaluatingJavaScriptFromString(kTextScript, kTextReadTimeout),
            kMaximumTextBytes);
    }
    if (auto* text = dynamic_cast<platform::ui::TextView*>(&view)) {
        return cutAtCharacterBoundary(text->text(), kMaximumTextBytes);
    }
    return std::nullopt;
}

std::string GADContentCapture::cutAtCharacterBoundary(std::string text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    // Back over continuation bytes to the start of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

}  // namespace ads
