#pragma once

#include "platform/gfx/GLES1.h"

namespace platform::gfx {

// The call table that goes straight to Mesa's libGLESv1_CM. The framebuffer-object entry points
// are an extension that the library does not export, so they are looked up through EGL the first
// time they are needed; without them the calls do nothing and the status check fails.
class RealGL final : public GLES1 {
  public:
    static RealGL& shared();

    void glEnable(GLenum cap) override;
    void glDisable(GLenum cap) override;
    void glEnableClientState(GLenum array) override;
    void glDisableClientState(GLenum array) override;
    void glBlendFunc(GLenum sfactor, GLenum dfactor) override;
    void glTexEnvi(GLenum target, GLenum pname, GLint param) override;
    void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) override;
    void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override;
    void glLineWidth(GLfloat width) override;
    void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) override;
    void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) override;
    void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override;
    void glClear(GLbitfield mask) override;
    void glGetIntegerv(GLenum pname, GLint* params) override;
    GLenum glGetError() override;
    void glPixelStorei(GLenum pname, GLint param) override;

    void glMatrixMode(GLenum mode) override;
    void glLoadIdentity() override;
    void glPushMatrix() override;
    void glPopMatrix() override;
    void glTranslatef(GLfloat x, GLfloat y, GLfloat z) override;
    void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) override;
    void glScalef(GLfloat x, GLfloat y, GLfloat z) override;
    void glMultMatrixf(const GLfloat* m) override;
    void glOrthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) override;

    void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) override;
    void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) override;
    void glColorPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) override;
    void glDrawArrays(GLenum mode, GLint first, GLsizei count) override;

    void glGenTextures(GLsizei n, GLuint* textures) override;
    void glDeleteTextures(GLsizei n, const GLuint* textures) override;
    void glBindTexture(GLenum target, GLuint texture) override;
    void glTexParameteri(GLenum target, GLenum pname, GLint param) override;
    void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                      GLsizei height, GLint border, GLenum format, GLenum type,
                      const void* pixels) override;
    void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width,
                         GLsizei height, GLenum format, GLenum type, const void* pixels) override;

    void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                      void* pixels) override;
    void glFlush() override;
    void glFinish() override;

    void glGenFramebuffersOES(GLsizei n, GLuint* framebuffers) override;
    void glDeleteFramebuffersOES(GLsizei n, const GLuint* framebuffers) override;
    void glBindFramebufferOES(GLenum target, GLuint framebuffer) override;
    void glFramebufferTexture2DOES(GLenum target, GLenum attachment, GLenum textarget,
                                   GLuint texture, GLint level) override;
    GLenum glCheckFramebufferStatusOES(GLenum target) override;

    // Whether the framebuffer-object extension could be found.
    bool hasFramebufferObjects();

  private:
    RealGL() = default;
    void loadExtensions();

    bool extensionsLoaded_ = false;
    PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers_ = nullptr;
    PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffers_ = nullptr;
    PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer_ = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D_ = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus_ = nullptr;
};

}  // namespace platform::gfx
