#include "ads/slot/GADViewHierarchyRecorder.h"

#include <gtest/gtest.h>

#include <thread>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/View.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using platform::ui::View;

class GADViewHierarchyRecorderTest : public ::testing::Test {
  protected:
    // The banner nested `depth` views deep; each ancestor above its parent holds another view
    // before the one on the way down.
    std::shared_ptr<View> nested(int depth) {
        auto parent = root;
        for (int i = 0; i < depth - 1; ++i) {
            auto child = View::create(Rect(0, 0, 10, 10));
            parent->addSubview(View::create());
            parent->addSubview(child);
            parent = child;
        }
        auto banner = View::create(Rect(0, 0, 320, 50));
        parent->addSubview(banner);
        return banner;
    }

    testing::AdsTestScope scope;
    std::shared_ptr<View> root = View::create(Rect(0, 0, 320, 480));
    GADViewHierarchyRecorder recorder;
};

TEST_F(GADViewHierarchyRecorderTest, RecordsTheNearestAncestorsUpToTheLimit) {
    EXPECT_FALSE(recorder.latest());

    auto banner = nested(25);
    auto parent = banner->superview();
    parent->setHidden(true);
    parent->setClipsToBounds(true);
    recorder.record(*banner, "GADBannerView");
    const auto record = recorder.latest();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->get("creator_class"), Value("GADBannerView"));
    const auto& parents = record->get("parents").asArray();
    ASSERT_EQ(parents.size(), 20u);
    EXPECT_EQ(parents[0].description(), Value::dictionary({{"type", "UIView"},
                                                           {"index_of_child", 0},
                                                           {"is_hidden", true},
                                                           {"clips_to_bounds", true}})
                                            .description());
    EXPECT_EQ(parents[1].description(), Value::dictionary({{"type", "UIView"},
                                                           {"index_of_child", 1},
                                                           {"is_hidden", false},
                                                           {"clips_to_bounds", false}})
                                            .description());

    // The server can ask for fewer, or for none.
    platform::UserDefaults::standard().setObject(settings_keys::kAdKeyParentViewCount, Value("3"));
    recorder.record(*banner, "GADBannerView");
    EXPECT_EQ(recorder.latest()->get("parents").asArray().size(), 3u);
    platform::UserDefaults::standard().setObject(settings_keys::kAdKeyParentViewCount, Value(0));
    recorder.record(*banner, "GADBannerView");
    EXPECT_EQ(recorder.latest()->get("parents"), Value(Value::Array{}));

    // A banner with fewer ancestors than the limit records them all; a lone view none.
    platform::UserDefaults::standard().removeObjectForKey(settings_keys::kAdKeyParentViewCount);
    EXPECT_EQ(GADViewHierarchyRecorder::parentsOf(*nested(3), 20).size(), 3u);
    EXPECT_TRUE(GADViewHierarchyRecorder::parentsOf(*View::create(), 20).empty());
}

TEST_F(GADViewHierarchyRecorderTest, AReaderOnAnotherThreadSeesTheLatestRecord) {
    auto banner = nested(2);
    recorder.record(*banner, "first");
    recorder.record(*banner, "second");
    std::optional<Value> seen;
    std::thread reader([&] { seen = recorder.latest(); });
    reader.join();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->get("creator_class"), Value("second"));
}

}  // namespace
}  // namespace ads
