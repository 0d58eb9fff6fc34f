#include <gtest/gtest.h>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/testsupport/FakeShell.h"

using namespace JTAppBase;

TEST(JTLevelInfo, NewRecordHasItsDefaultsAndTheWebIdFallsBackToTheId) {
    auto record = NewJTLevelInfo(nullptr, 3);
    EXPECT_EQ(record->getId(), 3);
    EXPECT_EQ(record->getWebLevelId(), 3);
    record->setWebLevelId(7);
    EXPECT_EQ(record->getWebLevelId(), 7);
    record->setWebLevelId(0);
    EXPECT_EQ(record->getWebLevelId(), 3);

    EXPECT_EQ(record->getCanvasLayout(), -1);
    EXPECT_EQ(record->getDataHash(), -1);
    EXPECT_EQ(record->getDataSize(), 0);
    EXPECT_EQ(record->getFlags(), 0);
    EXPECT_FALSE(record->isDownloaded());
    EXPECT_FALSE(record->getTitle());
    EXPECT_FALSE(record->getDescription());
    EXPECT_FALSE(record->getAppContext());

    record->setDataHash(0x123456789ABLL);
    record->setFlags(-2);
    EXPECT_EQ(record->getDataHash(), 0x123456789ABLL);
    EXPECT_EQ(record->getFlags(), -2);
}

TEST(JTLevelInfo, OutlivesItsContextAndAnswersAnEmptyOne) {
    auto context = JTCore::JTNew<JTAppContext>();
    auto record = NewJTLevelInfo(context, 1);
    EXPECT_EQ(record->getAppContext(), context);
    context.reset();
    EXPECT_FALSE(record->getAppContext());
    record->setTitle(JTCore::NewJTString("still here"));
    EXPECT_EQ(JTCore::ToUtf8(record->getTitle()), "still here");
}

TEST(JTLevelInfo, MirrorReadsThroughWhileTheRecordLivesAndDefaultsAfter) {
    fake::Journal journal;
    auto core = std::make_shared<fake::AppCore>(&journal);
    auto context = JTCore::JTNew<JTAppContext>();
    context->setAppCore(core);

    auto record = NewJTLevelInfo(context, 3);
    std::shared_ptr<LevelInfo> mirror = record->mirror();
    ASSERT_TRUE(mirror);
    EXPECT_EQ(mirror->levelId(), 3);
    EXPECT_EQ(mirror->name(), std::nullopt);
    EXPECT_EQ(mirror->helpMessage(), std::nullopt);
    record->setTitle(JTCore::NewJTString("Level: Obstacles"));
    record->setDescription(JTCore::NewJTString("There are obstacles on the road!"));
    record->setWebLevelId(30);
    record->setCanvasLayout(2);
    EXPECT_EQ(mirror->name(), "Level: Obstacles");
    EXPECT_EQ(mirror->helpMessage(), "There are obstacles on the road!");
    EXPECT_EQ(mirror->webLevelId(), 30);
    EXPECT_EQ(mirror->canvasLayout(), 2);
    EXPECT_EQ(mirror->levelId(), record->getId());
    EXPECT_EQ(mirror->appCore(), core);

    // The game view may keep the mirror after the level is gone.
    std::weak_ptr<LevelInfo> weakMirror = mirror;
    record.reset();
    ASSERT_FALSE(weakMirror.expired());
    EXPECT_EQ(mirror->levelId(), 0);
    EXPECT_EQ(mirror->name(), std::nullopt);
    EXPECT_EQ(mirror->canvasLayout(), -1);
    EXPECT_EQ(mirror->appCore(), nullptr);
    mirror.reset();
    EXPECT_TRUE(weakMirror.expired());  // the record held the only other reference
}
