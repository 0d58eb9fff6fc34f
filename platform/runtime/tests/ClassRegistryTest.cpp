#include "platform/runtime/ClassRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/runtime/Once.h"

using namespace platform;

namespace {
struct Adapter {
    virtual ~Adapter() = default;
    virtual std::string kind() const = 0;
};
struct BannerAdapter : Adapter {
    std::string kind() const override { return "banner"; }
};
struct Unrelated {};
}  // namespace

TEST(ClassRegistry, CreatesByNameWithTheRegisteredInterface) {
    ClassRegistry registry;
    EXPECT_TRUE(registry.registerClass<Adapter>("BannerAdapter", "BaseAdapter", {"Adapter"},
                                                [] { return std::make_shared<BannerAdapter>(); }));
    EXPECT_FALSE(registry.registerClass<Adapter>("BannerAdapter", "", {}, nullptr));
    EXPECT_TRUE(registry.hasClass("BannerAdapter"));
    auto made = registry.create<Adapter>("BannerAdapter");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->kind(), "banner");
    EXPECT_EQ(registry.create<Unrelated>("BannerAdapter"), nullptr);
    EXPECT_EQ(registry.create<Adapter>("Missing"), nullptr);
    EXPECT_TRUE(registry.unregisterClass("BannerAdapter"));
    EXPECT_FALSE(registry.hasClass("BannerAdapter"));
}

TEST(ClassRegistry, SuperclassChainAndProtocols) {
    ClassRegistry registry;
    registry.registerName("Root", "", {"Copying"});
    registry.registerName("Middle", "Root", {"Delegate"});
    registry.registerName("Leaf", "Middle");
    registry.registerName("LoopA", "LoopB");
    registry.registerName("LoopB", "LoopA");
    EXPECT_EQ(registry.superclassOf("Leaf"), "Middle");
    EXPECT_EQ(registry.superclassOf("Root"), std::nullopt);
    EXPECT_TRUE(registry.isKindOf("Leaf", "Root"));
    EXPECT_TRUE(registry.isKindOf("Leaf", "Leaf"));
    EXPECT_FALSE(registry.isKindOf("Root", "Leaf"));
    EXPECT_TRUE(registry.conformsTo("Leaf", "Copying"));
    EXPECT_TRUE(registry.conformsTo("Leaf", "Delegate"));
    EXPECT_FALSE(registry.conformsTo("Root", "Delegate"));
    EXPECT_FALSE(registry.isKindOf("LoopA", "Root"));
    EXPECT_FALSE(registry.conformsTo("LoopA", "Copying"));
    // Known but without a factory: found, not creatable.
    EXPECT_TRUE(registry.hasClass("Leaf"));
    EXPECT_EQ(registry.create<Adapter>("Leaf"), nullptr);
}

TEST(ClassRegistry, InstanceCallsAndClassRecordsAreInheritedWithoutAnInstance) {
    struct Record {
        std::string version;
    };
    struct OtherRecord {};
    ClassRegistry registry;
    registry.registerName("Base");
    registry.registerName("Leaf", "Base");
    registry.registerName("Loop", "Loop");
    EXPECT_FALSE(registry.addInstanceCalls("Missing", {"getBanner"}));
    EXPECT_FALSE(registry.setClassRecord("Missing", Record{"1"}));
    EXPECT_TRUE(registry.addInstanceCalls("Base", {"getBanner"}));
    EXPECT_TRUE(registry.addInstanceCalls("Leaf", {"getInterstitial", "getBanner"}));
    EXPECT_TRUE(registry.instancesRespondTo("Leaf", "getBanner"));
    EXPECT_TRUE(registry.instancesRespondTo("Leaf", "getInterstitial"));
    EXPECT_FALSE(registry.instancesRespondTo("Base", "getInterstitial"));
    EXPECT_FALSE(registry.instancesRespondTo("Missing", "getBanner"));
    EXPECT_FALSE(registry.instancesRespondTo("Loop", "getBanner"));

    // The nearest record of the asked type answers; another type is not one.
    EXPECT_EQ(registry.classRecord<Record>("Leaf"), nullptr);
    EXPECT_TRUE(registry.setClassRecord("Base", Record{"1.0"}));
    ASSERT_TRUE(registry.classRecord<Record>("Leaf"));
    EXPECT_EQ(registry.classRecord<Record>("Leaf")->version, "1.0");
    EXPECT_EQ(registry.classRecord<OtherRecord>("Leaf"), nullptr);
    EXPECT_TRUE(registry.setClassRecord("Leaf", Record{"2.0"}));
    EXPECT_EQ(registry.classRecord<Record>("Leaf")->version, "2.0");
    EXPECT_EQ(registry.classRecord<Record>("Base")->version, "1.0");
    EXPECT_EQ(registry.classRecord<Record>("Loop"), nullptr);
}

TEST(Once, RunsOnceAcrossThreads) {
    Once once;
    std::atomic<int> runs{0};
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (once.call([&] { ++runs; })) ++winners;
            EXPECT_TRUE(once.hasRun());
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(winners.load(), 1);
}

TEST(Once, AThrowingFirstRunLetsTheNextCallerTry) {
    Once once;
    EXPECT_THROW(once.call([] { throw 1; }), int);
    EXPECT_FALSE(once.hasRun());
    EXPECT_TRUE(once.call([] {}));
    EXPECT_FALSE(once.call([] {}));
}
