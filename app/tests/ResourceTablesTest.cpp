// The texture and sound tables: slots out of range read empty and refuse writes, a new effect
// replaces the old one of its slot, and clearing lets every sound go.

#include "app/appcore/ResourceTables.h"

#include <gtest/gtest.h>

#include "sound/SoundObj.h"

using namespace app;

namespace {

TEST(ResourceTablesTest, SlotsOutOfRangeAreEmptyAndEffectsAreReplacedAndCleared) {
    ResourceTables tables;
    for (int slot : {-1, ResourceTables::kTextureCount, 1000}) {
        tables.setTexture(slot, nullptr);
        tables.cutEdge(slot);
        EXPECT_EQ(tables.texture(slot), nullptr) << slot;
    }
    for (int slot : {-1, ResourceTables::kSoundCount}) {
        tables.loadEffect(slot, "fall2");
        tables.setEffectVolume(slot, 50);
        EXPECT_EQ(tables.sound(slot), nullptr) << slot;
    }
    EXPECT_TRUE(sound::SoundObj::soundObjs().empty());

    tables.loadEffect(0, "fall2");
    ASSERT_NE(tables.sound(0), nullptr);
    std::weak_ptr<sound::SoundObj> first = tables.sound(0);
    tables.loadEffect(0, "go");
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(sound::SoundObj::soundObjs().size(), 1u);

    tables.clear();
    EXPECT_EQ(tables.sound(0), nullptr);
    EXPECT_TRUE(sound::SoundObj::soundObjs().empty());
    sound::SoundObj::resetClassState();
}

}  // namespace
