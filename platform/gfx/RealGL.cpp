#include "platform/gfx/RealGL.h"

#include <EGL/egl.h>

namespace platform::gfx {

RealGL& RealGL::shared() {
    static RealGL table;
    return table;
}

void RealGL::glEnable(GLenum cap) {
    ::glEnable(cap);
}
void RealGL::glDisable(GLenum cap) {
    ::glDisable(cap);
}
void RealGL::glEnableClientState(GLenum array) {
    ::glEnableClientState(array);
}
void RealGL::glDisableClientState(GLenum array) {
    ::glDisableClientState(array);
}
void RealGL::glBlendFunc(GLenum sfactor, GLenum dfactor) {
    ::glBlendFunc(sfactor, dfactor);
}
void RealGL::glTexEnvi(GLenum target, GLenum pname, GLint param) {
    ::glTexEnvi(target, pname, param);
}
void RealGL::glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    ::glColor4ub(r, g, b, a);
}
void RealGL::glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    ::glColor4f(r, g, b, a);
}
void RealGL::glLineWidth(GLfloat width) {
    ::glLineWidth(width);
}
void RealGL::glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    ::glViewport(x, y, w, h);
}
void RealGL::glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
    ::glScissor(x, y, w, h);
}
void RealGL::glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    ::glClearColor(r, g, b, a);
}
void RealGL::glClear(GLbitfield mask) {
    ::glClear(mask);
}
void RealGL::glGetIntegerv(GLenum pname, GLint* params) {
    ::glGetIntegerv(pname, params);
}
GLenum RealGL::glGetError() {
    return ::glGetError();
}
void RealGL::glPixelStorei(GLenum pname, GLint param) {
    ::glPixelStorei(pname, param);
}

void RealGL::glMatrixMode(GLenum mode) {
    ::glMatrixMode(mode);
}
void RealGL::glLoadIdentity() {
    ::glLoadIdentity();
}
void RealGL::glPushMatrix() {
    ::glPushMatrix();
}
void RealGL::glPopMatrix() {
    ::glPopMatrix();
}
void RealGL::glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    ::glTranslatef(x, y, z);
}
void RealGL::glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    ::glRotatef(angle, x, y, z);
}
void RealGL::glScalef(GLfloat x, GLfloat y, GLfloat z) {
    ::glScalef(x, y, z);
}
void RealGL::glMultMatrixf(const GLfloat* m) {
    ::glMultMatrixf(m);
}
void RealGL::glOrthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) {
    ::glOrthof(l, r, b, t, n, f);
}

void RealGL::glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) {
    ::glVertexPointer(size, type, stride, ptr);
}
void RealGL::glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) {
    ::glTexCoordPointer(size, type, stride, ptr);
}
void RealGL::glColorPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) {
    ::glColorPointer(size, type, stride, ptr);
}
void RealGL::glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    ::glDrawArrays(mode, first, count);
}

void RealGL::glGenTextures(GLsizei n, GLuint* textures) {
    ::glGenTextures(n, textures);
}
void RealGL::glDeleteTextures(GLsizei n, const GLuint* textures) {
    ::glDeleteTextures(n, textures);
}
void RealGL::glBindTexture(GLenum target, GLuint texture) {
    ::glBindTexture(target, texture);
}
void RealGL::glTexParameteri(GLenum target, GLenum pname, GLint param) {
    ::glTexParameteri(target, pname, param);
}
void RealGL::glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                          GLsizei height, GLint border, GLenum format, GLenum type,
                          const void* pixels) {
    ::glTexImage2D(target, level, internalformat, width, height, border, format, type, pixels);
}
void RealGL::glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset,
                             GLsizei width, GLsizei height, GLenum format, GLenum type,
                             const void* pixels) {
    ::glTexSubImage2D(target, level, xoffset, yoffset, width, height, format, type, pixels);
}

void RealGL::glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                          void* pixels) {
    ::glReadPixels(x, y, w, h, format, type, pixels);
}
void RealGL::glFlush() {
    ::glFlush();
}
void RealGL::glFinish() {
    ::glFinish();
}

void RealGL::loadExtensions() {
    if (extensionsLoaded_) return;
    extensionsLoaded_ = true;
    genFramebuffers_ =
        reinterpret_cast<PFNGLGENFRAMEBUFFERSOESPROC>(eglGetProcAddress("glGenFramebuffersOES"));
    deleteFramebuffers_ = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSOESPROC>(
        eglGetProcAddress("glDeleteFramebuffersOES"));
    bindFramebuffer_ =
        reinterpret_cast<PFNGLBINDFRAMEBUFFEROESPROC>(eglGetProcAddress("glBindFramebufferOES"));
    framebufferTexture2D_ = reinterpret_cast<PFNGLFRAMEBUFFERTEXTURE2DOESPROC>(
        eglGetProcAddress("glFramebufferTexture2DOES"));
    checkFramebufferStatus_ = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSOESPROC>(
        eglGetProcAddress("glCheckFramebufferStatusOES"));
}

bool RealGL::hasFramebufferObjects() {
    loadExtensions();
    return genFramebuffers_ && deleteFramebuffers_ && bindFramebuffer_ && framebufferTexture2D_ &&
           checkFramebufferStatus_;
}

void RealGL::glGenFramebuffersOES(GLsizei n, GLuint* framebuffers) {
    if (hasFramebufferObjects()) {
        genFramebuffers_(n, framebuffers);
        return;
    }
    for (GLsizei i = 0; i < n; ++i) framebuffers[i] = 0;
}
void RealGL::glDeleteFramebuffersOES(GLsizei n, const GLuint* framebuffers) {
    if (hasFramebufferObjects()) deleteFramebuffers_(n, framebuffers);
}
void RealGL::glBindFramebufferOES(GLenum target, GLuint framebuffer) {
    if (hasFramebufferObjects()) bindFramebuffer_(target, framebuffer);
}
void RealGL::glFramebufferTexture2DOES(GLenum target, GLenum attachment, GLenum textarget,
                                       GLuint texture, GLint level) {
    if (hasFramebufferObjects())
        framebufferTexture2D_(target, attachment, textarget, texture, level);
}
GLenum RealGL::glCheckFramebufferStatusOES(GLenum target) {
    if (!hasFramebufferObjects()) return GL_FRAMEBUFFER_UNSUPPORTED_OES;
    return checkFramebufferStatus_(target);
}

}  // namespace platform::gfx
