#pragma once

// The GL ES 1.1 calls we make, one line each, so that adding a call is one line here plus its
// recording: the table's declarations, the real table's forwarding and its extension loader are
// all generated from these lists.
//
// Each line is X(return type, name, (parameters), (arguments)).

#include <GLES/gl.h>
#include <GLES/glext.h>

// Calls Mesa's libGLESv1_CM exports by name.
// clang-format off
#define MOVU_GLES1_CALLS(X)                                                                        \
    /* State */                                                                                    \
    X(void, glEnable, (GLenum cap), (cap))                                                         \
    X(void, glDisable, (GLenum cap), (cap))                                                        \
    X(void, glEnableClientState, (GLenum array), (array))                                          \
    X(void, glDisableClientState, (GLenum array), (array))                                         \
    X(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor))                     \
    X(void, glTexEnvi, (GLenum target, GLenum pname, GLint param), (target, pname, param))         \
    X(void, glColor4ub, (GLubyte r, GLubyte g, GLubyte b, GLubyte a), (r, g, b, a))                \
    X(void, glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a))                 \
    X(void, glLineWidth, (GLfloat width), (width))                                                 \
    X(void, glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h))                    \
    X(void, glScissor, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h))                     \
    X(void, glClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a))              \
    X(void, glClear, (GLbitfield mask), (mask))                                                    \
    X(void, glGetIntegerv, (GLenum pname, GLint* params), (pname, params))                         \
    X(GLenum, glGetError, (), ())                                                                  \
    X(void, glPixelStorei, (GLenum pname, GLint param), (pname, param))                            \
    /* Matrices */                                                                                 \
    X(void, glMatrixMode, (GLenum mode), (mode))                                                   \
    X(void, glLoadIdentity, (), ())                                                                \
    X(void, glPushMatrix, (), ())                                                                  \
    X(void, glPopMatrix, (), ())                                                                   \
    X(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                            \
    X(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z))         \
    X(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                \
    X(void, glMultMatrixf, (const GLfloat* m), (m))                                                \
    X(void, glOrthof, (GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f),          \
      (l, r, b, t, n, f))                                                                          \
    /* Arrays and drawing. Pointers are read when the draw call is made, as GL does. */            \
    X(void, glVertexPointer, (GLint size, GLenum type, GLsizei stride, const void* ptr),           \
      (size, type, stride, ptr))                                                                   \
    X(void, glTexCoordPointer, (GLint size, GLenum type, GLsizei stride, const void* ptr),         \
      (size, type, stride, ptr))                                                                   \
    X(void, glColorPointer, (GLint size, GLenum type, GLsizei stride, const void* ptr),            \
      (size, type, stride, ptr))                                                                   \
    X(void, glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count))         \
    /* Textures */                                                                                 \
    X(void, glGenTextures, (GLsizei n, GLuint* textures), (n, textures))                           \
    X(void, glDeleteTextures, (GLsizei n, const GLuint* textures), (n, textures))                  \
    X(void, glBindTexture, (GLenum target, GLuint texture), (target, texture))                     \
    X(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param))   \
    X(void, glTexImage2D,                                                                          \
      (GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,            \
       GLint border, GLenum format, GLenum type, const void* pixels),                              \
      (target, level, internalformat, width, height, border, format, type, pixels))                \
    X(void, glTexSubImage2D,                                                                       \
      (GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,    \
       GLenum format, GLenum type, const void* pixels),                                            \
      (target, level, xoffset, yoffset, width, height, format, type, pixels))                      \
    /* Read-back and completion */                                                                 \
    X(void, glReadPixels,                                                                          \
      (GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels),          \
      (x, y, w, h, format, type, pixels))                                                          \
    X(void, glFlush, (), ())                                                                       \
    X(void, glFinish, (), ())

// Framebuffer objects (OES_framebuffer_object): an extension the library does not export, found
// through EGL. Each line also names the function-pointer type and what the call answers when the
// extension is missing (an expression over the parameters).
// X(pointer type, return type, name, (parameters), (arguments), answer when missing)
#define MOVU_GLES1_EXTENSION_CALLS(X)                                                              \
    X(PFNGLGENFRAMEBUFFERSOESPROC, void, glGenFramebuffersOES,                                     \
      (GLsizei n, GLuint* framebuffers), (n, framebuffers),                                        \
      ::platform::gfx::noFramebufferNames(n, framebuffers))                                        \
    X(PFNGLDELETEFRAMEBUFFERSOESPROC, void, glDeleteFramebuffersOES,                               \
      (GLsizei n, const GLuint* framebuffers), (n, framebuffers), void())                          \
    X(PFNGLBINDFRAMEBUFFEROESPROC, void, glBindFramebufferOES,                                     \
      (GLenum target, GLuint framebuffer), (target, framebuffer), void())                          \
    X(PFNGLFRAMEBUFFERTEXTURE2DOESPROC, void, glFramebufferTexture2DOES,                           \
      (GLenum target, GLenum attachment, GLenum textarget, GLuint texture, GLint level),           \
      (target, attachment, textarget, texture, level), void())                                     \
    X(PFNGLCHECKFRAMEBUFFERSTATUSOESPROC, GLenum, glCheckFramebufferStatusOES,                     \
      (GLenum target), (target), GLenum(GL_FRAMEBUFFER_UNSUPPORTED_OES))
// clang-format on
