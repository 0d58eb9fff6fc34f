#include "platform/gfx/HeadlessContext.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/base/LogSink.h"

#include "platform/gfx/Framebuffer.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/gfx/WindowContext.h"

namespace platform::gfx {
namespace {

std::unique_ptr<HeadlessContext> makeContext(int w, int h, bool forceFramebuffer = false) {
    std::string error;
    auto context =
        HeadlessContext::create(w, h, HeadlessContext::Options{forceFramebuffer}, &error);
    EXPECT_NE(context, nullptr) << error;
    return context;
}

// Fills the rectangle (x, y, w, h), y counted from the bottom as GL does, in one colour.
void fill(float x, float y, float w, float h, GLubyte r, GLubyte g, GLubyte b) {
    const float v[] = {x, y, 0, x + w, y, 0, x, y + h, 0, x + w, y + h, 0};
    GLES1& g1 = gl();
    g1.glDisable(GL_TEXTURE_2D);
    g1.glEnableClientState(GL_VERTEX_ARRAY);
    g1.glColor4ub(r, g, b, 255);
    g1.glVertexPointer(3, GL_FLOAT, 0, v);
    g1.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void ortho(int w, int h) {
    GLES1& g = gl();
    g.glMatrixMode(GL_PROJECTION);
    g.glLoadIdentity();
    g.glOrthof(0, float(w), 0, float(h), -1, 1);
    g.glMatrixMode(GL_MODELVIEW);
    g.glLoadIdentity();
}

void expectPixel(const Image& image, int x, int y, int r, int g, int b) {
    const std::uint8_t* p = image.pixel(x, y);
    EXPECT_EQ(int(p[0]), r) << "red at " << x << "," << y;
    EXPECT_EQ(int(p[1]), g) << "green at " << x << "," << y;
    EXPECT_EQ(int(p[2]), b) << "blue at " << x << "," << y;
}

class HeadlessSurface : public ::testing::TestWithParam<bool> {};

// Both the pbuffer and the framebuffer-object fallback must draw upright: what GL puts at the
// bottom is the last row of the read-back picture.
TEST_P(HeadlessSurface, DrawsAndReadsBackUpright) {
    auto context = makeContext(40, 30, GetParam());
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->usesPbuffer(), !GetParam());
    EXPECT_TRUE(context->isCurrent());
    ortho(40, 30);
    gl().glClearColor(0, 0, 1, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);
    fill(0, 0, 10, 5, 255, 0, 0);  // bottom-left corner
    EXPECT_TRUE(context->present());

    Image frame = context->readPixels();
    ASSERT_EQ(frame.width(), 40);
    ASSERT_EQ(frame.height(), 30);
    expectPixel(frame, 0, 29, 255, 0, 0);
    expectPixel(frame, 9, 25, 255, 0, 0);
    expectPixel(frame, 10, 29, 0, 0, 255);
    expectPixel(frame, 0, 0, 0, 0, 255);
}

INSTANTIATE_TEST_SUITE_P(PbufferAndFramebuffer, HeadlessSurface, ::testing::Bool());

TEST(HeadlessContext, ContextsKeepTheirOwnPicturesAndSwitch) {
    auto first = makeContext(8, 8);
    auto second = makeContext(8, 8);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(second->isCurrent());
    EXPECT_FALSE(first->isCurrent());

    ASSERT_TRUE(first->makeCurrent());
    gl().glClearColor(1, 0, 0, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(second->makeCurrent());
    gl().glClearColor(0, 1, 0, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);

    expectPixel(first->readPixels(), 3, 3, 255, 0, 0);
    expectPixel(second->readPixels(), 3, 3, 0, 255, 0);

    EXPECT_TRUE(second->clearCurrent());
    EXPECT_FALSE(second->isCurrent());
    EXPECT_FALSE(second->present()) << "presenting without being current must not claim success";
}

TEST(HeadlessContext, ReportsAContextItCannotMakeCurrent) {
    auto context = makeContext(8, 8);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(context->clearCurrent());

    // A context can be current on one thread only: while a helper thread holds it, making it
    // current here must fail and say so rather than leave us drawing into nothing.
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false, tried = false, heldOk = false;
    std::thread holder([&] {
        std::unique_lock lock(mutex);
        heldOk = context->makeCurrent();
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return tried; });
        context->clearCurrent();
    });
    bool madeCurrent = true;
    platform::LogSink::Capture log;
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return held; });
        madeCurrent = context->makeCurrent();
        tried = true;
        changed.notify_all();
    }
    holder.join();
    EXPECT_TRUE(heldOk);
    EXPECT_FALSE(madeCurrent);
    EXPECT_TRUE(log.contains("eglMakeCurrent"));
    EXPECT_TRUE(context->makeCurrent()) << "once released it can be made current again";
}

TEST(HeadlessContext, RefusesAnEmptySurface) {
    std::string error;
    EXPECT_EQ(HeadlessContext::create(0, 10, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(Framebuffer, RendersOffScreenAndComposites) {
    auto context = makeContext(32, 32);
    ASSERT_NE(context, nullptr);
    gl().glViewport(0, 0, 32, 32);
    gl().glClearColor(0, 0, 0, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);

    auto target = Framebuffer::create(16, 16);
    ASSERT_NE(target, nullptr);
    target->bind();
    GLint viewport[4] = {};
    gl().glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 16);
    ortho(16, 16);
    gl().glClearColor(0, 1, 0, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);
    fill(0, 8, 16, 8, 255, 0, 0);  // the top half red
    target->unbind();
    gl().glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 32) << "unbind restores the viewport";

    // Nothing drawn off-screen reached the window surface.
    expectPixel(context->readPixels(), 16, 16, 0, 0, 0);

    // Draw the texture into the window's right half, as the compositor does.
    ASSERT_TRUE(context->makeCurrent());
    ortho(32, 32);
    const float v[] = {16, 0, 0, 32, 0, 0, 16, 32, 0, 32, 32, 0};
    const float t[] = {0, 0, 1, 0, 0, 1, 1, 1};
    gl().glEnable(GL_TEXTURE_2D);
    gl().glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    gl().glBindTexture(GL_TEXTURE_2D, target->texture());
    gl().glEnableClientState(GL_VERTEX_ARRAY);
    gl().glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    gl().glVertexPointer(3, GL_FLOAT, 0, v);
    gl().glTexCoordPointer(2, GL_FLOAT, 0, t);
    gl().glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    Image frame = context->readPixels();
    expectPixel(frame, 24, 4, 255, 0, 0);
    expectPixel(frame, 24, 28, 0, 255, 0);
    expectPixel(frame, 4, 4, 0, 0, 0);
}

TEST(Framebuffer, RestoresBindingsAndCleansUpThroughTheTable) {
    RecordingGL rec;
    ScopedGL scope(rec);
    rec.glBindTexture(GL_TEXTURE_2D, 7);
    {
        auto target = Framebuffer::create(4, 4);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(rec.boundTexture(), 7u) << "making the target must not disturb the bound texture";
        target->bind();
        // Destroyed while bound: the old framebuffer comes back before the objects go.
    }
    const GLCall* lastBind = rec.last("glBindFramebufferOES");
    ASSERT_NE(lastBind, nullptr);
    EXPECT_EQ(lastBind->args[1], 0);
    EXPECT_EQ(rec.count("glDeleteFramebuffersOES"), 1);
    EXPECT_EQ(rec.count("glDeleteTextures"), 1);
    EXPECT_EQ(Framebuffer::create(0, 4), nullptr);
}

TEST(WindowContext, OpensAGLES1WindowOnTheOffscreenDriver) {
    // No display in tests: SDL's off-screen video driver still makes a real EGL window surface.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    auto window = WindowContext::create("Movuroute", 48, 32, &error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_TRUE(window->isCurrent());
    EXPECT_EQ(window->width(), 48);
    EXPECT_EQ(window->height(), 32);
    gl().glClearColor(1, 1, 0, 1);
    gl().glClear(GL_COLOR_BUFFER_BIT);
    GLubyte pixel[4] = {};
    gl().glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 0);
    EXPECT_TRUE(window->present());
    EXPECT_TRUE(window->clearCurrent());
    EXPECT_FALSE(window->isCurrent());
}

}  // namespace
}  // namespace platform::gfx
