#include <gtest/gtest.h>

#include <cmath>

#include "ShellFixture.h"

using namespace JTAppBase;
using JTCore::JTNew;
using platform::gfx::GLCall;

namespace {

struct CanvasFixture : fake::ShellFixture {
    CanvasFixture() {
        core->addTexture(0, {100, 40}, ShellTexture::kRGBA8888);
        core->addTexture(1, {32.7, 16.2}, ShellTexture::kA8);
    }

    // Names of the colour-state calls, in order.
    std::vector<std::string> colorCalls() const {
        std::vector<std::string> out;
        for (const GLCall& c : gl.calls()) {
            if (c.name == "glTexEnvi" || c.name == "glBlendFunc" || c.name == "glColor4ub") {
                out.push_back(c.text());
            }
        }
        return out;
    }
};

std::string call(std::string name, std::vector<double> args) {
    GLCall c;
    c.name = std::move(name);
    c.args = std::move(args);
    return c.text();
}

std::string texEnv(GLenum mode) {
    return call("glTexEnvi", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, double(mode)});
}
std::string blend(GLenum s, GLenum d) {
    return call("glBlendFunc", {double(s), double(d)});
}
std::string color(int r, int g, int b, int a) {
    return call("glColor4ub", {double(r), double(g), double(b), double(a)});
}

}  // namespace

TEST_F(CanvasFixture, ColourStateIsSentOnlyWhenItChanges) {
    canvas->drawImage(0, 10, 10, 0, 0);
    canvas->drawImage(0, 20, 20, 0, 0);
    EXPECT_EQ(colorCalls(),
              (std::vector<std::string>{texEnv(GL_MODULATE), blend(GL_ONE, GL_ONE_MINUS_SRC_ALPHA),
                                        color(255, 255, 255, 255)}));

    // A half-transparent red on a colour texture goes premultiplied.
    gl.clear();
    canvas->setColor(0x80FF4020);
    canvas->drawImage(0, 0, 0, 0, 0);
    EXPECT_EQ(colorCalls(), (std::vector<std::string>{
                                texEnv(GL_MODULATE), blend(GL_ONE, GL_ONE_MINUS_SRC_ALPHA),
                                color(255 * 128 / 255, 64 * 128 / 255, 32 * 128 / 255, 128)}));

    // The same colour on an alpha-only texture or a fill needs straight alpha.
    gl.clear();
    canvas->drawImage(1, 0, 0, 0, 0);
    canvas->fillRect(0, 0, 10, 10);  // same mode and colour as the A8 image: nothing new
    EXPECT_EQ(colorCalls(), (std::vector<std::string>{texEnv(GL_MODULATE),
                                                      blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                                                      color(255, 64, 32, 128)}));

    gl.clear();
    canvas->setAddColor();
    canvas->drawImage(0, 0, 0, 0, 0);
    EXPECT_EQ(colorCalls(),
              (std::vector<std::string>{texEnv(GL_ADD), blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                                        color(255, 255, 255, 255)}));

    // Each render starts by re-sending the state once.
    gl.clear();
    canvas->beginRender();
    canvas->drawImage(0, 0, 0, 0, 0);
    canvas->drawImage(0, 0, 0, 0, 0);
    EXPECT_EQ(gl.count("glColor4ub"), 1);
}

TEST_F(CanvasFixture, NothingIsSentBeforeTheFirstColour) {
    auto fresh = JTNew<JTAppContext>();
    fresh->setAppCore(core);
    fresh->setGameView(view);
    fresh->getCanvas()->drawImage(0, 0, 0, 0, 0);
    EXPECT_EQ(gl.count("glColor4ub"), 0);
    EXPECT_EQ(gl.count("glBlendFunc"), 0);
    EXPECT_EQ(journal.back(), "tex0.drawInRect(0,-39,100,40)");  // height 1 until setSize
}

TEST_F(CanvasFixture, ImagesAreAnchoredInFlippedCoordinates) {
    canvas->drawImage(0, 160, 240, 0.5f, 0.5f);
    canvas->drawImage(0, 10, 20, 0, 0);
    canvas->drawImageScaled(0, 10, 20, 1, 1, 2, 0.5f);
    canvas->drawImageRegion(0, 1, 2, 3, 4, 10, 20, 30, 40);
    canvas->drawImage(9, 0, 0, 0, 0);  // no texture: nothing
    const fake::Journal expected{
        "tex0.drawInRect(110,220,100,40)", "tex0.drawInRect(10,420,100,40)",
        "tex0.drawInRect(-190,460,200,20)", "tex0.drawFromRect(1,2,3,4)(10,420,30,40)"};
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(canvas->getImageWidth(1), 32);
    EXPECT_EQ(canvas->getImageHeight(1), 16);
    EXPECT_EQ(canvas->getImageWidth(9), 0);
}

TEST_F(CanvasFixture, RotatedImageTurnsAboutItsPoint) {
    canvas->drawImageRotated(0, 100, 80, 0.5f, 0.5f, 1, 1, static_cast<float>(M_PI / 2));
    std::vector<std::string> names;
    for (const auto& c : gl.calls()) {
        if (c.name.find("Matrix") != std::string::npos || c.name == "glTranslatef" ||
            c.name == "glRotatef") {
            names.push_back(c.name);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"glPushMatrix", "glTranslatef", "glRotatef",
                                               "glPopMatrix"}));
    const GLCall* t = gl.last("glTranslatef");
    EXPECT_EQ(t->args, (std::vector<double>{100, 400, 0}));
    EXPECT_NEAR(gl.last("glRotatef")->args[0], 90.0, 1e-4);
    EXPECT_EQ(journal, fake::Journal{"tex0.drawInRect(-50,-20,100,40)"});
}

TEST_F(CanvasFixture, FillsAndLinesDrawWithoutTextureState) {
    canvas->fillRect(100 + 15, 50, -30, 30);  // a grass patch centred on x = 100
    const GLCall* draw = gl.last("glDrawArrays");
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->args[0], GL_TRIANGLE_STRIP);
    EXPECT_EQ(draw->vertices,
              (std::vector<float>{115, 400, 0, 85, 400, 0, 115, 430, 0, 85, 430, 0}));
    EXPECT_TRUE(draw->texCoords.empty());  // the coordinate array was off during the fill

    std::vector<std::string> order;
    for (const auto& c : gl.calls()) {
        if (c.name != "glTexEnvi" && c.name != "glBlendFunc" && c.name != "glColor4ub") {
            order.push_back(c.text());
        }
    }
    EXPECT_EQ(order.front(), call("glDisable", {GL_TEXTURE_2D}));
    EXPECT_EQ(order.back(), call("glEnable", {GL_TEXTURE_2D}));
    EXPECT_EQ(gl.count("glDisableClientState"), 1);
    EXPECT_EQ(gl.last("glDisableClientState")->args[0], GL_TEXTURE_COORD_ARRAY);
    EXPECT_EQ(gl.count("glEnableClientState"), 1);

    gl.clear();
    core->scale = 2.0f;
    canvas->drawLine(0, 0, 10, 20, 1.5f);
    EXPECT_EQ(gl.last("glLineWidth")->args[0], 3.0);
    draw = gl.last("glDrawArrays");
    EXPECT_EQ(draw->args[0], GL_LINES);
    EXPECT_EQ(draw->vertices, (std::vector<float>{0, 480, 0, 10, 460, 0}));
    EXPECT_TRUE(draw->texCoords.empty());
}

TEST_F(CanvasFixture, ClearTakesTheColourApart) {
    canvas->clear(0xFF336699);
    const GLCall* c = gl.last("glClearColor");
    ASSERT_TRUE(c);
    EXPECT_NEAR(c->args[0], 0x33 / 255.0, 1e-6);
    EXPECT_NEAR(c->args[1], 0x66 / 255.0, 1e-6);
    EXPECT_NEAR(c->args[2], 0x99 / 255.0, 1e-6);
    EXPECT_NEAR(c->args[3], 1.0, 1e-6);
    EXPECT_EQ(gl.last("glClear")->args[0], GL_COLOR_BUFFER_BIT);
}

TEST_F(CanvasFixture, SingleTouchIsClampedAndRemembered) {
    ASSERT_TRUE(canvas->getTouch());  // before the first frame: the spare record
    EXPECT_FALSE(canvas->getTouch()->isDown());

    context->setCurrentTouch(std::make_shared<fake::Touch>(platform::Point{-5, 600}));
    canvas->beginFrame();
    auto t = canvas->getTouch();
    EXPECT_TRUE(t->isDown());
    EXPECT_EQ(t->getX(), 0);
    EXPECT_EQ(t->getY(), 480);

    view->factor = 0.5;  // the view's conversion is applied before clamping
    context->setCurrentTouch(std::make_shared<fake::Touch>(platform::Point{100, 200}));
    canvas->beginFrame();
    EXPECT_EQ(canvas->getTouch()->getX(), 50);
    EXPECT_EQ(canvas->getTouch()->getY(), 100);

    context->setCurrentTouch(nullptr);
    canvas->beginFrame();
    EXPECT_EQ(canvas->getTouch().get(), t.get());  // one record, reused
    EXPECT_FALSE(t->isDown());
    EXPECT_EQ(t->getX(), 50);                    // where the finger was last
    EXPECT_EQ(canvas->getTouches()->size(), 0);  // never filled in single-touch mode

    context->setCurrentTouch(std::make_shared<fake::Touch>(platform::Point{std::nan(""), 1e30}));
    canvas->beginFrame();
    EXPECT_EQ(t->getX(), 0);
    EXPECT_EQ(t->getY(), 480);
}

TEST_F(CanvasFixture, MultiTouchReusesRecordsAndShrinksTheList) {
    canvas->setMultiTouchEnabled(true);
    EXPECT_TRUE(view->multipleTouch);
    auto a = std::make_shared<fake::Touch>(platform::Point{10, 10});
    auto b = std::make_shared<fake::Touch>(platform::Point{20, 20});
    auto c = std::make_shared<fake::Touch>(platform::Point{30, 30});

    context->addActiveTouch(a);
    context->addActiveTouch(b);
    canvas->beginFrame();
    auto list = canvas->getTouches();
    ASSERT_EQ(list->size(), 2);
    auto first = list->get(0);
    auto second = list->get(1);
    EXPECT_EQ(first.get(), canvas->getTouch().get());  // the spare record leads the list
    EXPECT_EQ(static_cast<JTTouchInfo*>(second.get())->getX(), 20);

    context->addActiveTouch(c);
    canvas->beginFrame();
    ASSERT_EQ(list->size(), 3);
    EXPECT_EQ(list->get(0).get(), first.get());
    EXPECT_EQ(list->get(1).get(), second.get());
    EXPECT_EQ(static_cast<JTTouchInfo*>(list->get(2).get())->getY(), 30);

    context->clearActiveTouches();
    context->addActiveTouch(c);
    canvas->beginFrame();
    ASSERT_EQ(list->size(), 1);
    EXPECT_EQ(list->get(0).get(), first.get());
    EXPECT_EQ(static_cast<JTTouchInfo*>(first.get())->getX(), 30);
    EXPECT_TRUE(static_cast<JTTouchInfo*>(first.get())->isDown());

    context->clearActiveTouches();
    canvas->beginFrame();
    EXPECT_EQ(list->size(), 0);
    EXPECT_FALSE(canvas->getTouch()->isDown());

    context->addActiveTouch(a);
    context->addActiveTouch(b);
    canvas->beginFrame();
    EXPECT_EQ(list->get(0).get(), first.get());  // the spare comes back first
    canvas->setMultiTouchEnabled(false);
    EXPECT_EQ(list->size(), 0);
    EXPECT_FALSE(view->multipleTouch);
    canvas->beginFrame();
    EXPECT_EQ(list->size(), 0);
}

TEST_F(CanvasFixture, SetSizeKeepsTheTouchModeAndResetsTheColour) {
    canvas->setMultiTouchEnabled(true);
    canvas->setColor(0xFF000000);
    journal.clear();
    canvas->setSize(480, 320);
    EXPECT_EQ(journal, fake::Journal{"view.setMultipleTouchEnabled(1)"});
    canvas->fillRect(0, 0, 1, 1);
    EXPECT_EQ(gl.last("glColor4ub")->args, (std::vector<double>{255, 255, 255, 255}));
}
