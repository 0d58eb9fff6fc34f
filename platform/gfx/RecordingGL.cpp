#include "platform/gfx/RecordingGL.h"

#include <cstring>
#include <sstream>

namespace platform::gfx {

namespace {

int bytesPerPixel(GLenum format, GLenum type) {
    switch (type) {
        case GL_UNSIGNED_SHORT_5_6_5:
        case GL_UNSIGNED_SHORT_4_4_4_4:
        case GL_UNSIGNED_SHORT_5_5_5_1:
            return 2;
        case GL_UNSIGNED_BYTE:
            break;
        default:
            return 0;
    }
    switch (format) {
        case GL_RGBA:
            return 4;
        case GL_RGB:
            return 3;
        case GL_LUMINANCE_ALPHA:
            return 2;
        case GL_ALPHA:
        case GL_LUMINANCE:
            return 1;
        default:
            return 0;
    }
}

int componentBytes(GLenum type) {
    switch (type) {
        case GL_FLOAT:
        case GL_FIXED:
            return 4;
        case GL_SHORT:
            return 2;
        case GL_BYTE:
        case GL_UNSIGNED_BYTE:
            return 1;
        default:
            return 0;
    }
}

float readComponent(const std::uint8_t* p, GLenum type) {
    switch (type) {
        case GL_FLOAT: {
            float v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        case GL_FIXED: {
            std::int32_t v;
            std::memcpy(&v, p, sizeof v);
            return static_cast<float>(v) / 65536.0f;
        }
        case GL_SHORT: {
            std::int16_t v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        case GL_BYTE:
            return static_cast<std::int8_t>(*p);
        case GL_UNSIGNED_BYTE:
            return *p;
        default:
            return 0.0f;
    }
}

}  // namespace

std::string GLCall::text() const {
    std::ostringstream out;
    out << name << '(';
    for (size_t i = 0; i < args.size(); ++i) out << (i ? ", " : "") << args[i];
    out << ')';
    return out.str();
}

std::vector<std::string> RecordingGL::names() const {
    std::vector<std::string> out;
    out.reserve(count_);
    for (const auto& call : calls()) out.push_back(call.name);
    return out;
}

std::vector<GLCall> RecordingGL::callsNamed(std::string_view name) const {
    std::vector<GLCall> out;
    for (const auto& call : calls())
        if (call.name == name) out.push_back(call);
    return out;
}

int RecordingGL::count(std::string_view name) const {
    int n = 0;
    for (const auto& call : calls()) n += call.name == name;
    return n;
}

const GLCall* RecordingGL::last(std::string_view name) const {
    const auto recorded = calls();
    for (auto it = recorded.rbegin(); it != recorded.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

GLCall& RecordingGL::record(std::string_view name, std::span<const double> args) {
    if (count_ == calls_.size()) calls_.emplace_back();
    GLCall& call = calls_[count_++];
    call.name.assign(name);
    call.args.assign(args.begin(), args.end());
    call.vertices.clear();
    call.texCoords.clear();
    call.colors.clear();
    call.pixels.clear();
    return call;
}

void RecordingGL::copyArray(const ArrayPointer& array, GLint first, GLsizei count,
                            std::vector<float>& out) {
    const int component = componentBytes(array.type);
    if (!array.enabled || !array.ptr || array.size <= 0 || component == 0 || first < 0 ||
        count <= 0)
        return;
    const int stride = array.stride > 0 ? array.stride : array.size * component;
    const auto* base = static_cast<const std::uint8_t*>(array.ptr);
    out.reserve(static_cast<size_t>(count) * array.size);
    for (GLsizei i = 0; i < count; ++i) {
        const std::uint8_t* element = base + static_cast<size_t>(first + i) * stride;
        for (GLint c = 0; c < array.size; ++c)
            out.push_back(readComponent(element + c * component, array.type));
    }
}

std::vector<std::uint8_t> RecordingGL::copyPixels(GLsizei width, GLsizei height, GLenum format,
                                                  GLenum type, const void* pixels) const {
    std::vector<std::uint8_t> out;
    const int bpp = bytesPerPixel(format, type);
    if (!pixels || bpp == 0 || width <= 0 || height <= 0) return out;
    const size_t row = static_cast<size_t>(width) * bpp;
    const size_t align = unpackAlignment_ > 0 ? unpackAlignment_ : 1;
    const size_t stride = (row + align - 1) / align * align;
    out.resize(row * height);
    const auto* src = static_cast<const std::uint8_t*>(pixels);
    for (GLsizei y = 0; y < height; ++y) std::memcpy(&out[y * row], src + y * stride, row);
    return out;
}

void RecordingGL::glEnable(GLenum cap) {
    record("glEnable", {double(cap)});
}
void RecordingGL::glDisable(GLenum cap) {
    record("glDisable", {double(cap)});
}

void RecordingGL::glEnableClientState(GLenum array) {
    record("glEnableClientState", {double(array)});
    if (array == GL_VERTEX_ARRAY) vertexArray_.enabled = true;
    if (array == GL_TEXTURE_COORD_ARRAY) texCoordArray_.enabled = true;
    if (array == GL_COLOR_ARRAY) colorArray_.enabled = true;
}

void RecordingGL::glDisableClientState(GLenum array) {
    record("glDisableClientState", {double(array)});
    if (array == GL_VERTEX_ARRAY) vertexArray_.enabled = false;
    if (array == GL_TEXTURE_COORD_ARRAY) texCoordArray_.enabled = false;
    if (array == GL_COLOR_ARRAY) colorArray_.enabled = false;
}

void RecordingGL::glBlendFunc(GLenum sfactor, GLenum dfactor) {
    record("glBlendFunc", {double(sfactor), double(dfactor)});
}
void RecordingGL::glTexEnvi(GLenum target, GLenum pname, GLint param) {
    record("glTexEnvi", {double(target), double(pname), double(param)});
}
void RecordingGL::glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    record("glColor4ub", {double(r), double(g), double(b), double(a)});
}
void RecordingGL::glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    record("glColor4f", {r, g, b, a});
}
void RecordingGL::glLineWidth(GLfloat width) {
    record("glLineWidth", {width});
}

void RecordingGL::glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    record("glViewport", {double(x), double(y), double(w), double(h)});
    viewport_[0] = x;
    viewport_[1] = y;
    viewport_[2] = w;
    viewport_[3] = h;
}

void RecordingGL::glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
    record("glScissor", {double(x), double(y), double(w), double(h)});
}
void RecordingGL::glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    record("glClearColor", {r, g, b, a});
}
void RecordingGL::glClear(GLbitfield mask) {
    record("glClear", {double(mask)});
}

void RecordingGL::glGetIntegerv(GLenum pname, GLint* params) {
    record("glGetIntegerv", {double(pname)});
    if (!params) return;
    switch (pname) {
        case GL_TEXTURE_BINDING_2D:
            params[0] = static_cast<GLint>(boundTexture_);
            break;
        case GL_MAX_TEXTURE_SIZE:
            params[0] = maxTextureSize_;
            break;
        case GL_FRAMEBUFFER_BINDING_OES:
            params[0] = static_cast<GLint>(boundFramebuffer_);
            break;
        case GL_VIEWPORT:
            for (int i = 0; i < 4; ++i) params[i] = viewport_[i];
            break;
        case GL_UNPACK_ALIGNMENT:
            params[0] = unpackAlignment_;
            break;
        default:
            params[0] = 0;
            break;
    }
}

GLenum RecordingGL::glGetError() {
    record("glGetError", {});
    return GL_NO_ERROR;
}

void RecordingGL::glPixelStorei(GLenum pname, GLint param) {
    record("glPixelStorei", {double(pname), double(param)});
    if (pname == GL_UNPACK_ALIGNMENT) unpackAlignment_ = param;
}

void RecordingGL::glMatrixMode(GLenum mode) {
    record("glMatrixMode", {double(mode)});
}
void RecordingGL::glLoadIdentity() {
    record("glLoadIdentity", {});
}
void RecordingGL::glPushMatrix() {
    record("glPushMatrix", {});
}
void RecordingGL::glPopMatrix() {
    record("glPopMatrix", {});
}
void RecordingGL::glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    record("glTranslatef", {x, y, z});
}
void RecordingGL::glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    record("glRotatef", {angle, x, y, z});
}
void RecordingGL::glScalef(GLfloat x, GLfloat y, GLfloat z) {
    record("glScalef", {x, y, z});
}
void RecordingGL::glMultMatrixf(const GLfloat* m) {
    std::vector<double> args;
    if (m) args.assign(m, m + 16);
    record("glMultMatrixf", args);
}
void RecordingGL::glOrthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) {
    record("glOrthof", {l, r, b, t, n, f});
}

void RecordingGL::glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) {
    record("glVertexPointer", {double(size), double(type), double(stride)});
    vertexArray_ = {vertexArray_.enabled, size, type, stride, ptr};
}
void RecordingGL::glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) {
    record("glTexCoordPointer", {double(size), double(type), double(stride)});
    texCoordArray_ = {texCoordArray_.enabled, size, type, stride, ptr};
}
void RecordingGL::glColorPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) {
    record("glColorPointer", {double(size), double(type), double(stride)});
    colorArray_ = {colorArray_.enabled, size, type, stride, ptr};
}

void RecordingGL::glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    GLCall& call = record("glDrawArrays", {double(mode), double(first), double(count)});
    copyArray(vertexArray_, first, count, call.vertices);
    copyArray(texCoordArray_, first, count, call.texCoords);
    copyArray(colorArray_, first, count, call.colors);
}

void RecordingGL::glGenTextures(GLsizei n, GLuint* textures) {
    record("glGenTextures", {double(n)});
    for (GLsizei i = 0; textures && i < n; ++i) textures[i] = nextTexture_++;
}

void RecordingGL::glDeleteTextures(GLsizei n, const GLuint* textures) {
    std::vector<double> args{double(n)};
    for (GLsizei i = 0; textures && i < n; ++i) {
        args.push_back(textures[i]);
        // Deleting the bound texture unbinds it, as in GL.
        if (textures[i] == boundTexture_) boundTexture_ = 0;
    }
    record("glDeleteTextures", args);
}

void RecordingGL::glBindTexture(GLenum target, GLuint texture) {
    record("glBindTexture", {double(target), double(texture)});
    if (target == GL_TEXTURE_2D) boundTexture_ = texture;
}

void RecordingGL::glTexParameteri(GLenum target, GLenum pname, GLint param) {
    record("glTexParameteri", {double(target), double(pname), double(param)});
}

void RecordingGL::glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                               GLsizei height, GLint border, GLenum format, GLenum type,
                               const void* pixels) {
    GLCall& call = record("glTexImage2D",
                          {double(target), double(level), double(internalformat), double(width),
                           double(height), double(border), double(format), double(type)});
    call.pixels = copyPixels(width, height, format, type, pixels);
}

void RecordingGL::glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset,
                                  GLsizei width, GLsizei height, GLenum format, GLenum type,
                                  const void* pixels) {
    GLCall& call =
        record("glTexSubImage2D", {double(target), double(level), double(xoffset), double(yoffset),
                                   double(width), double(height), double(format), double(type)});
    call.pixels = copyPixels(width, height, format, type, pixels);
}

void RecordingGL::glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                               void* pixels) {
    record("glReadPixels",
           {double(x), double(y), double(w), double(h), double(format), double(type)});
    const int bpp = bytesPerPixel(format, type);
    // Nothing was drawn, so the answer is transparent black. GL packs read rows with an alignment
    // of 4 unless told otherwise; the recorder does not track that and writes tight rows.
    if (pixels && bpp > 0 && w > 0 && h > 0)
        std::memset(pixels, 0, static_cast<size_t>(w) * h * bpp);
}

void RecordingGL::glFlush() {
    record("glFlush", {});
}
void RecordingGL::glFinish() {
    record("glFinish", {});
}

void RecordingGL::glGenFramebuffersOES(GLsizei n, GLuint* framebuffers) {
    record("glGenFramebuffersOES", {double(n)});
    for (GLsizei i = 0; framebuffers && i < n; ++i) framebuffers[i] = nextFramebuffer_++;
}

void RecordingGL::glDeleteFramebuffersOES(GLsizei n, const GLuint* framebuffers) {
    std::vector<double> args{double(n)};
    for (GLsizei i = 0; framebuffers && i < n; ++i) {
        args.push_back(framebuffers[i]);
        if (framebuffers[i] == boundFramebuffer_) boundFramebuffer_ = 0;
    }
    record("glDeleteFramebuffersOES", args);
}

void RecordingGL::glBindFramebufferOES(GLenum target, GLuint framebuffer) {
    record("glBindFramebufferOES", {double(target), double(framebuffer)});
    boundFramebuffer_ = framebuffer;
}

void RecordingGL::glFramebufferTexture2DOES(GLenum target, GLenum attachment, GLenum textarget,
                                            GLuint texture, GLint level) {
    record("glFramebufferTexture2DOES",
           {double(target), double(attachment), double(textarget), double(texture), double(level)});
}

GLenum RecordingGL::glCheckFramebufferStatusOES(GLenum target) {
    record("glCheckFramebufferStatusOES", {double(target)});
    return GL_FRAMEBUFFER_COMPLETE_OES;
}

}  // namespace platform::gfx
