#include "platform/gfx/RecordingGL.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gfx/GLES1.h"
#include "platform/gfx/RealGL.h"

namespace platform::gfx {
namespace {

TEST(RecordingGL, LogsCallsInOrderWithArguments) {
    RecordingGL rec;
    rec.glEnable(GL_BLEND);
    rec.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    rec.glColor4ub(1, 2, 3, 4);
    rec.glTranslatef(1.5f, -2.0f, 0.0f);

    ASSERT_EQ(rec.names(),
              (std::vector<std::string>{"glEnable", "glBlendFunc", "glColor4ub", "glTranslatef"}));
    EXPECT_EQ(rec.calls()[1].args, (std::vector<double>{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}));
    EXPECT_EQ(rec.calls()[2].text(), "glColor4ub(1, 2, 3, 4)");
    EXPECT_EQ(rec.last("glTranslatef")->args, (std::vector<double>{1.5, -2.0, 0.0}));
    EXPECT_EQ(rec.count("glEnable"), 1);
    EXPECT_EQ(rec.last("glDrawArrays"), nullptr);
    rec.clear();
    EXPECT_TRUE(rec.calls().empty());
}

// Calls a table entry with every argument zero or null.
template <typename R, typename... Args>
void callWithZeros(GLES1& table, R (GLES1::*call)(Args...)) {
    (table.*call)(Args{}...);
}

TEST(RecordingGL, RecordsEveryListedCallUnderItsOwnName) {
    RecordingGL rec;
    std::vector<std::string> listed;
#define MOVU_TEST_CALL(ret, name, params, args) \
    callWithZeros(rec, &GLES1::name);           \
    listed.push_back(#name);
#define MOVU_TEST_EXTENSION_CALL(type, ret, name, params, args, missing) \
    MOVU_TEST_CALL(ret, name, params, args)
    MOVU_GLES1_CALLS(MOVU_TEST_CALL)
    MOVU_GLES1_EXTENSION_CALLS(MOVU_TEST_EXTENSION_CALL)
#undef MOVU_TEST_EXTENSION_CALL
#undef MOVU_TEST_CALL
    EXPECT_EQ(rec.names(), listed);
}

TEST(RecordingGL, CopiesTheArraysAtTheDrawCall) {
    RecordingGL rec;
    std::vector<float> vertices{0, 0, 0, 10, 0, 0, 0, 20, 0, 10, 20, 0};
    std::vector<float> coords{0, 1, 1, 1, 0, 0, 1, 0};
    rec.glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    rec.glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
    // GL reads the arrays when drawing, not when the pointer is set: so does the recorder.
    vertices[0] = -5;
    rec.glDrawArrays(GL_TRIANGLE_STRIP, 1, 3);
    const GLCall* draw = rec.last("glDrawArrays");
    ASSERT_NE(draw, nullptr);
    EXPECT_EQ(draw->vertices, (std::vector<float>{10, 0, 0, 0, 20, 0, 10, 20, 0}));
    EXPECT_EQ(draw->texCoords, (std::vector<float>{1, 1, 0, 0, 1, 0}));
    EXPECT_TRUE(draw->colors.empty());  // the colour array starts disabled

    rec.glDrawArrays(GL_TRIANGLE_STRIP, 0, 1);
    EXPECT_EQ(rec.last("glDrawArrays")->vertices, (std::vector<float>{-5, 0, 0}));
}

TEST(RecordingGL, HonoursClientStatesStridesAndTypes) {
    RecordingGL rec;
    struct Vertex {
        short x, y;
        unsigned char rgba[4];
    };
    const Vertex data[2] = {{1, 2, {10, 20, 30, 40}}, {3, 4, {50, 60, 70, 80}}};
    rec.glEnableClientState(GL_COLOR_ARRAY);
    rec.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    rec.glVertexPointer(2, GL_SHORT, sizeof(Vertex), &data[0].x);
    rec.glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), data[0].rgba);
    rec.glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    rec.glDrawArrays(GL_LINES, 0, 2);
    const GLCall* draw = rec.last("glDrawArrays");
    EXPECT_EQ(draw->vertices, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(draw->colors, (std::vector<float>{10, 20, 30, 40, 50, 60, 70, 80}));
    EXPECT_TRUE(draw->texCoords.empty());
}

TEST(RecordingGL, AnswersTextureNamesBindingsAndLimits) {
    RecordingGL rec;
    GLuint names[3] = {};
    rec.glGenTextures(2, names);
    rec.glGenTextures(1, names + 2);
    EXPECT_EQ(names[0], 1u);
    EXPECT_EQ(names[1], 2u);
    EXPECT_EQ(names[2], 3u);

    GLint value = -1;
    rec.glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, 0);
    rec.glBindTexture(GL_TEXTURE_2D, 2);
    rec.glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, 2);
    rec.glDeleteTextures(1, &names[1]);
    rec.glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, 0) << "deleting the bound texture unbinds it";

    rec.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    EXPECT_EQ(value, 2048);
    rec.setMaxTextureSize(64);
    rec.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    EXPECT_EQ(value, 64);

    GLuint fbo = 0;
    rec.glGenFramebuffersOES(1, &fbo);
    rec.glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo);
    rec.glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &value);
    EXPECT_EQ(value, GLint(fbo));
    EXPECT_EQ(rec.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES),
              GLenum(GL_FRAMEBUFFER_COMPLETE_OES));
}

TEST(RecordingGL, KeepsUploadedPixelsWithTightRows) {
    RecordingGL rec;
    // Three RGB bytes per pixel, two pixels a row: 6 bytes padded to 8 by the default alignment.
    const unsigned char padded[16] = {1, 2, 3, 4,  5,  6,  0xEE, 0xEE,
                                      7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
    rec.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, padded);
    EXPECT_EQ(rec.last("glTexImage2D")->pixels,
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    rec.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const unsigned char tight[3] = {7, 8, 9};
    rec.glTexSubImage2D(GL_TEXTURE_2D, 0, 1, 1, 3, 1, GL_ALPHA, GL_UNSIGNED_BYTE, tight);
    EXPECT_EQ(rec.last("glTexSubImage2D")->pixels, (std::vector<std::uint8_t>{7, 8, 9}));

    rec.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_TRUE(rec.last("glTexImage2D")->pixels.empty());
}

TEST(GLTable, ScopedTablesNestAndRestoreTheRealOne) {
    GLES1* real = &gl();
    EXPECT_EQ(real, &RealGL::shared());
    RecordingGL outer, inner;
    {
        ScopedGL a(outer);
        EXPECT_EQ(&gl(), &outer);
        {
            ScopedGL b(inner);
            gl().glFlush();
        }
        EXPECT_EQ(&gl(), &outer);
        gl().glFinish();
    }
    EXPECT_EQ(&gl(), real);
    EXPECT_EQ(inner.names(), std::vector<std::string>{"glFlush"});
    EXPECT_EQ(outer.names(), std::vector<std::string>{"glFinish"});

    setGL(&outer);
    EXPECT_EQ(&gl(), &outer);
    setGL(nullptr);
    EXPECT_EQ(&gl(), real);
}

}  // namespace
}  // namespace platform::gfx
