#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "appbase/JTAccelerometerHelper.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"

using namespace JTAppBase;
using JTCore::JTNew;
using JTCore::NewJTString;

namespace {

using JTTextLabelTest = fake::ShellFixture;
using HelpersTest = fake::ShellFixture;

}  // namespace

TEST_F(JTTextLabelTest, DefaultsAndReset) {
    auto label = context->newTextLabel();
    EXPECT_EQ(label->fontSize(), 24.0f);
    EXPECT_EQ(label->alignment(), 1);
    EXPECT_EQ(label->textColor(), 0xFFFFFFFFu);
    EXPECT_EQ(label->width(), 128.0);
    EXPECT_EQ(label->height(), 32.0);
    EXPECT_FALSE(label->shadowOn());

    label->setLayout(0xFFFFFF00, 0, 12, 256, 64);
    label->setShadow(0xFF000000, 2, 2);
    label->setText(NewJTString("hi"));
    ASSERT_TRUE(label->texture());
    label->reset();
    EXPECT_FALSE(label->texture());
    EXPECT_EQ(label->fontSize(), 24.0f);
    EXPECT_EQ(label->width(), 128.0);
    EXPECT_FALSE(label->shadowOn());
}

TEST_F(JTTextLabelTest, RendersOncePerTextAtTheContentsScale) {
    core->scale = 2.0f;
    auto label = context->newTextLabel();
    label->setText(NewJTString("Score: 0"));
    EXPECT_EQ(journal, fake::Journal{"text(Score: 0,256x64,1,Arial,48,2)"});
    label->draw(10, 20, 0, 0);
    label->draw(10, 20, 0, 0);
    EXPECT_EQ(core->factory().made, 1);  // drawing never re-renders
    // The logical box, not the texture's own size, is what gets drawn.
    EXPECT_EQ(journal.back(), "label[Score: 0].drawInRect(10,428,128,32)");
}

TEST_F(JTTextLabelTest, EmptyTextClearsAndDrawsNothing) {
    auto label = context->newTextLabel();
    label->setText(NewJTString("x"));
    label->setText(NewJTString(""));
    EXPECT_FALSE(label->texture());
    label->setText(NewJTString("x"));
    label->setText(JTCore::JTStringPtr());
    EXPECT_FALSE(label->texture());
    journal.clear();
    label->draw(0, 0, 0, 0);
    EXPECT_TRUE(journal.empty());
}

TEST_F(JTTextLabelTest, AnchorsAndShadowBeforeText) {
    auto label = context->newTextLabel();
    label->setShadow(0xFF000000, 1, 1);
    label->setText(NewJTString("t"));
    journal.clear();
    gl.clear();
    label->draw(10, 20, 0.5f, 0.5f);
    const fake::Journal expected{"label[t].drawInRect(-53,443,128,32)",
                                 "label[t].drawInRect(-54,444,128,32)"};
    EXPECT_EQ(journal, expected);  // one unit right and one down, first
    auto colours = gl.callsNamed("glColor4ub");
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_EQ(colours[0].args, (std::vector<double>{0, 0, 0, 255}));
    EXPECT_EQ(colours[1].args, (std::vector<double>{255, 255, 255, 255}));
    // Alpha-only text uses straight alpha blending.
    EXPECT_EQ(gl.last("glBlendFunc")->args,
              (std::vector<double>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));

    // The label leaves the canvas white again for whatever is drawn next.
    gl.clear();
    canvas->fillRect(0, 0, 1, 1);
    EXPECT_EQ(gl.count("glColor4ub"), 0);  // white straight alpha was already sent by the label
    label->clearShadow();
    journal.clear();
    label->draw(10, 20, 0, 0);
    EXPECT_EQ(journal.size(), 1u);
}

TEST_F(JTTextLabelTest, BuilderIsTheLabelsOwn) {
    auto label = context->newTextLabel();
    auto b = label->getBuilder(false);
    b->append("Score: ")->append(5);
    EXPECT_EQ(label->getBuilder(false).get(), b.get());
    EXPECT_EQ(b->toString()->toUtf8(), "Score: 5");
    EXPECT_EQ(label->getBuilder(true)->length(), 0);
    label->getBuilder(true)->append("Score: ")->append(7);
    label->setText(label->getBuilder(false));
    EXPECT_EQ(journal.back(), "text(Score: 7,128x32,1,Arial,24,1)");
}

TEST_F(JTTextLabelTest, WithoutCanvasContextOrAppCoreTheLabelHasNoTexture) {
    auto label = context->newTextLabel();
    label->setText(NewJTString("old"));
    context->setAppCore(nullptr);
    context->setGameView(nullptr);
    core.reset();
    label->setText(NewJTString("new"));
    EXPECT_FALSE(label->texture());  // not the stale "old" texture

    auto orphan = JTNew<JTTextLabel>(nullptr);
    orphan->setText(NewJTString("x"));
    EXPECT_FALSE(orphan->texture());
    orphan->draw(0, 0, 0, 0);
}

TEST(JTTouchInfo, StartsAtOriginUp) {
    auto t = JTNew<JTTouchInfo>();
    EXPECT_EQ(t->getX(), 0);
    EXPECT_EQ(t->getY(), 0);
    EXPECT_FALSE(t->isDown());
}

TEST_F(HelpersTest, TiltReadsZeroUntilTheViewHasTiltInput) {
    auto tilt = context->getAccelerometerHelper();
    EXPECT_EQ(tilt->getAccelerationH(), 0.0f);
    EXPECT_EQ(tilt->getAngleH(), 0.0f);
    EXPECT_EQ(tilt->getAngleV(), 0.0f);

    view->tilt = std::make_shared<fake::Tilt>();
    view->tilt->h = 0.25;
    view->tilt->angleH = -0.5;
    view->tilt->angleV = 1.5;
    EXPECT_EQ(tilt->getAccelerationH(), 0.25f);
    EXPECT_EQ(tilt->getAngleH(), -0.5f);
    EXPECT_EQ(tilt->getAngleV(), 1.5f);
}

TEST_F(HelpersTest, SoundsPlayByIndexAndMissingOnesAreSilent) {
    core->addSound(0);
    core->addSound(3);
    auto sound = context->getSoundHelper();
    sound->play(3);
    sound->play(4);
    sound->playEffect(0);
    sound->playMusic(0);
    sound->stopAll();
    const fake::Journal expected{"sound3.start", "sound0.start", "core.stopLoopingEffects(1,1)"};
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(sound->musicIsEnabled());
    context->setAppCore(nullptr);
    EXPECT_FALSE(sound->musicIsEnabled());
    sound->play(3);
    EXPECT_EQ(journal.size(), expected.size());
}
