#pragma once

// Content hashing's capture: while it runs, a GADScheduler tick every traversal interval
// (the server's, 10 s by default) walks the key window's root view with a
// GADViewHierarchyTraverser and feeds the text of every web content view
// ("document.body.innerText") and text view it meets, view by view, into one GADContent
// capture on the application's content-hashing queue; a walk that finished stores its capture
// in the recent captures (after dropping an older capture of the same screen), unless its
// fingerprint is "". Labels, buttons and text fields give no text.
//
// The application's switch (started by the server's answer or the start-up step, stopped by
// the server's answer) reaches this engine through GADContentHashingEngine. A start reads the
// interval and capacity, makes a new queue of recent captures (earlier ones are dropped then),
// a traverser and a scheduler; a stop stops the scheduler and makes a walk under way stale:
// its visits read nothing and its capture is not stored. The captures stay until the next
// start, so requests keep being served from them.
//
// A web view's text is asked for without waiting and cut at kMaximumTextBytes on a character
// boundary, so no busy, hung or huge page stalls the main thread or the queue: a page that has
// not answered within kTextReadTimeout seconds of the platform's clock gives no text, and its
// late answer is ignored. The walk's capture is fed its texts in the order the views were
// visited and stored once the walk has finished and every page of it has answered or timed out;
// until then the capture is under way (isCapturing).
//
// Main thread only. The application is held weakly; the scheduler's task and the walk's
// blocks hold the engine weakly, and the store holds the captures' queue weakly.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADApplication.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADContentQueue;
class GADScheduler;
class GADViewHierarchyTraverser;

class GADContentCapture : public GADContentHashingEngine,
                          public std::enable_shared_from_this<GADContentCapture> {
    struct Private {};

  public:
    static constexpr double kTextReadTimeout = 0.05;
    static constexpr std::size_t kMaximumTextBytes = 256 * 1024;
    // document.body.innerText, cut in the page already to the units the cut below may keep.
    // The text script's longest answer, in characters.
    static constexpr std::size_t kTextScriptCharacters = 262144;
    static constexpr const char* kTextScript =
        "(function(){var t=document.body?document.body.innerText:'';"
        "return t.length>262144?t.substring(0,262144):t;})()";

    // The engine of the shared application, made on first use.
    static std::shared_ptr<GADContentCapture> sharedInstance();
    static std::shared_ptr<GADContentCapture> create(std::weak_ptr<GADApplication> application);
    GADContentCapture(Private, std::weak_ptr<GADApplication> application);
    ~GADContentCapture() override;

    // ads::load(): the shared application's engine, and its start-up step (which runs only
    // while the server allowed content hashing). Once.
    static void load();

    void startContentHashing() override;
    void stopContentHashing() override;
    bool isRunning() const { return scheduler_ != nullptr; }
    // One capture now, as each tick does; nothing while stopped.
    void capture();
    // A walk of this run, or the reading of its pages, is under way.
    bool isCapturing() const;
    // The queue this run's walks visit through (none while stopped).
    std::shared_ptr<platform::SerialQueue> walkQueue() const;
    // This run's recent captures; read them on the application's content-hashing queue.
    const std::shared_ptr<GADContentQueue>& contentQueue() const { return contentQueue_; }

    // The text a view gives, or nothing, to `done`: at once for any view but a web page, on a
    // later main-loop turn for a page (nothing when it fails or does not answer in time).
    using TextCompletion = std::function<void(std::optional<std::string> text)>;
    static void textOfView(platform::ui::View& view, TextCompletion done);
    // The text cut to at most `bytes` without splitting a UTF-8 sequence.
    static std::string cutAtCharacterBoundary(std::string text, std::size_t bytes);

  private:
    struct Walk;
    static void storeWhenComplete(const std::shared_ptr<Walk>& walk);

    const std::weak_ptr<GADApplication> application_;
    std::shared_ptr<GADScheduler> scheduler_;
    std::shared_ptr<GADViewHierarchyTraverser> traverser_;
    std::shared_ptr<GADContentQueue> contentQueue_;
    // Raised by every start and stop: the walks of earlier runs are stale.
    std::uint64_t run_ = 0;
    // This run's last walk, until its capture is stored or dropped.
    std::weak_ptr<Walk> walk_;
};

}  // namespace ads
