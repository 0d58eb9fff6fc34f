// Page messages per second: an ad page may send dozens a second (active view, video events,
// timing ticks), each parsed off the main thread and dispatched on it. Target: at least
// 100 000 messages a second parsed and dispatched on one core.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ads/web/GADAdViewDelegate.h"
#include "platform/runtime/MainLoopTestScope.h"

using namespace ads;

namespace {

// Six handlers of a few actions each, as an ad page's delegate has; the message goes to the
// last, so every dispatch walks the whole list.
template <int N>
class Handler : public GADGMSGHandler {
  public:
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table = [] {
            GADGMSGActionTable t;
            for (int i = 0; i < 4; ++i) {
                t.emplace("action" + std::to_string(N) + "_" + std::to_string(i),
                          action(&Handler::run));
            }
            return t;
        }();
        return &table;
    }
    void run(const GADGMSGActionInfo& info) {
        handled += info.note->parameters().size();
        ++count;
    }
    std::size_t handled = 0;
    std::size_t count = 0;
};

class Delegate : public GADAdViewDelegate {
  public:
    Delegate() : GADAdViewDelegate(Private{}) {
        addGMSGHandler(std::make_shared<Handler<0>>());
        addGMSGHandler(std::make_shared<Handler<1>>());
        addGMSGHandler(std::make_shared<Handler<2>>());
        addGMSGHandler(std::make_shared<Handler<3>>());
        addGMSGHandler(std::make_shared<Handler<4>>());
        addGMSGHandler(last);
    }
    std::shared_ptr<Handler<5>> last = std::make_shared<Handler<5>>();
};

const char* kMessage =
    "gmsg://movuroute/action5_2?type=onVideoEvent&event=timeupdate&currentTime=12.5"
    "&duration=30&url=https%3A%2F%2Fa.test%2Fv.mp4%3Fx%3D1";

}  // namespace

static void BM_ParseGmsgURL(benchmark::State& state) {
    for (auto _ : state) {
        auto url = platform::Url::parse(kMessage);
        auto note = GADNotification::createWithNotificationURL(*url);
        benchmark::DoNotOptimize(note);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseGmsgURL);

// The whole road: URL text to action, through the parse queue and back to the main loop.
static void BM_ParseAndDispatch(benchmark::State& state) {
    platform::MainLoopTestScope scope;
    auto delegate = std::make_shared<Delegate>();
    const std::size_t batch = static_cast<std::size_t>(state.range(0));
    std::size_t expected = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < batch; ++i) {
            delegate->handleGMSGURL(*platform::Url::parse(kMessage), nullptr);
        }
        expected += batch;
        while (delegate->last->count < expected) scope.loop().runOnce(0.1);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_ParseAndDispatch)->Arg(1)->Arg(100)->Arg(1000)->UseRealTime();
BENCHMARK_MAIN();
