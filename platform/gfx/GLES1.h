#pragma once

// The GL ES 1.1 call table. Everything that draws (the game core's canvas, textures, the
// compositor) calls GL through gl() instead of the C functions, so tests can swap in a recorder
// and the game core builds and runs without a GL context.

#include <GLES/gl.h>
#include <GLES/glext.h>

namespace platform::gfx {

class GLES1 {
  public:
    virtual ~GLES1() = default;

    // State
    virtual void glEnable(GLenum cap) = 0;
    virtual void glDisable(GLenum cap) = 0;
    virtual void glEnableClientState(GLenum array) = 0;
    virtual void glDisableClientState(GLenum array) = 0;
    virtual void glBlendFunc(GLenum sfactor, GLenum dfactor) = 0;
    virtual void glTexEnvi(GLenum target, GLenum pname, GLint param) = 0;
    virtual void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) = 0;
    virtual void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) = 0;
    virtual void glLineWidth(GLfloat width) = 0;
    virtual void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) = 0;
    virtual void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) = 0;
    virtual void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) = 0;
    virtual void glClear(GLbitfield mask) = 0;
    virtual void glGetIntegerv(GLenum pname, GLint* params) = 0;
    virtual GLenum glGetError() = 0;
    virtual void glPixelStorei(GLenum pname, GLint param) = 0;

    // Matrices
    virtual void glMatrixMode(GLenum mode) = 0;
    virtual void glLoadIdentity() = 0;
    virtual void glPushMatrix() = 0;
    virtual void glPopMatrix() = 0;
    virtual void glTranslatef(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void glScalef(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void glMultMatrixf(const GLfloat* m) = 0;
    virtual void glOrthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) = 0;

    // Arrays and drawing. Pointers are read when the draw call is made, as GL does.
    virtual void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) = 0;
    virtual void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) = 0;
    virtual void glColorPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) = 0;
    virtual void glDrawArrays(GLenum mode, GLint first, GLsizei count) = 0;

    // Textures
    virtual void glGenTextures(GLsizei n, GLuint* textures) = 0;
    virtual void glDeleteTextures(GLsizei n, const GLuint* textures) = 0;
    virtual void glBindTexture(GLenum target, GLuint texture) = 0;
    virtual void glTexParameteri(GLenum target, GLenum pname, GLint param) = 0;
    virtual void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                              GLsizei height, GLint border, GLenum format, GLenum type,
                              const void* pixels) = 0;
    virtual void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset,
                                 GLsizei width, GLsizei height, GLenum format, GLenum type,
                                 const void* pixels) = 0;

    // Read-back and completion
    virtual void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                              void* pixels) = 0;
    virtual void glFlush() = 0;
    virtual void glFinish() = 0;

    // Framebuffer objects (OES_framebuffer_object)
    virtual void glGenFramebuffersOES(GLsizei n, GLuint* framebuffers) = 0;
    virtual void glDeleteFramebuffersOES(GLsizei n, const GLuint* framebuffers) = 0;
    virtual void glBindFramebufferOES(GLenum target, GLuint framebuffer) = 0;
    virtual void glFramebufferTexture2DOES(GLenum target, GLenum attachment, GLenum textarget,
                                           GLuint texture, GLint level) = 0;
    virtual GLenum glCheckFramebufferStatusOES(GLenum target) = 0;
};

// The table in use: the real GL functions unless a test installed another one.
GLES1& gl();

// Installs a table (nullptr restores the real one). Not thread-safe: GL is used on the main
// thread only.
void setGL(GLES1* table);

// Installs a table for the lifetime of the scope.
class ScopedGL {
  public:
    explicit ScopedGL(GLES1& table);
    ~ScopedGL();
    ScopedGL(const ScopedGL&) = delete;
    ScopedGL& operator=(const ScopedGL&) = delete;

  private:
    GLES1* previous_;
};

}  // namespace platform::gfx
