#include "ads/web/GADGMSGHandlerTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/web/GADSDKCorePageHandlers.h"

namespace ads {
namespace {

using Place = GADGMSGHandlerPlace;

// A handler that only says who made it.
class Named : public GADGMSGHandler {
  public:
    explicit Named(std::string name) : name(std::move(name)) {}
    std::string name;
};

struct Page {
    std::string id;
};

std::vector<std::string> names(const GADGMSGHandlerTable<Page>::HandlerList& handlers) {
    std::vector<std::string> out;
    for (const auto& handler : handlers) out.push_back(static_cast<const Named&>(*handler).name);
    return out;
}

GADGMSGHandlerTable<Page>::Maker maker(std::string name) {
    return [name](const Page& page) { return std::make_shared<Named>(name + "@" + page.id); };
}

TEST(GADGMSGHandlerTableTest, PlacesRunInTheListsOrderOnEitherSideOfTheTimingReports) {
    GADGMSGHandlerTable<Page> table({Place::Opener, Place::Defaults, Place::MRAID,
                                     Place::TimingReports, Place::AdApp, Place::AppEvents});
    // Filled in another order than the list's; the order of the list wins.
    EXPECT_TRUE(table.fill(Place::AppEvents, maker("events")));
    EXPECT_TRUE(table.fill(Place::Defaults, maker("defaults")));
    EXPECT_TRUE(table.fill(Place::AdApp, maker("app")));
    EXPECT_TRUE(table.fill(Place::Opener, maker("opener")));
    EXPECT_EQ(names(table.leadingHandlers({"p"})),
              (std::vector<std::string>{"opener@p", "defaults@p"}));
    EXPECT_EQ(names(table.trailingHandlers({"q"})),
              (std::vector<std::string>{"app@q", "events@q"}));

    // A later feature fills its own place and lands where the list has it.
    EXPECT_TRUE(table.fill(Place::MRAID, maker("mraid")));
    EXPECT_EQ(names(table.leadingHandlers({"p"})),
              (std::vector<std::string>{"opener@p", "defaults@p", "mraid@p"}));
}

TEST(GADGMSGHandlerTableTest, RefusesSecondFillsForeignPlacesAndEmptyMakers) {
    GADGMSGHandlerTable<Page> table({Place::Opener, Place::TimingReports, Place::AdApp});
    EXPECT_TRUE(table.fill(Place::Opener, maker("first")));
    EXPECT_FALSE(table.fill(Place::Opener, maker("second")));
    EXPECT_FALSE(table.fill(Place::Swipe, maker("swipe")));            // not in this list
    EXPECT_FALSE(table.fill(Place::TimingReports, maker("timings")));  // the delegate's own
    EXPECT_FALSE(table.fill(Place::AdApp, {}));
    EXPECT_FALSE(table.isFilled(Place::AdApp));
    EXPECT_EQ(names(table.leadingHandlers({"p"})), (std::vector<std::string>{"first@p"}));

    // A maker may decline a page.
    EXPECT_TRUE(table.fill(Place::AdApp, [](const Page& page) -> std::shared_ptr<GADGMSGHandler> {
        if (page.id == "skip") return nullptr;
        return std::make_shared<Named>("app");
    }));
    EXPECT_TRUE(table.trailingHandlers({"skip"}).empty());
    EXPECT_EQ(names(table.trailingHandlers({"p"})), (std::vector<std::string>{"app"}));
}

TEST(GADGMSGHandlerTableTest, TheSDKCorePageListWaitsForItsFeatures) {
    // No room fills the core page's places yet: its page keeps only its own handlers.
    for (Place place :
         {Place::Opener, Place::Defaults, Place::MRAID, Place::Video, Place::Precache})
        EXPECT_FALSE(GADSDKCorePageHandlers().isFilled(place));
    EXPECT_TRUE(GADSDKCorePageHandlers().leadingHandlers({}).empty());
}

}  // namespace
}  // namespace ads
