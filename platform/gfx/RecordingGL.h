#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/GLES1.h"

namespace platform::gfx {

// One call seen by the recorder.
struct GLCall {
    std::string name;          // the GL function, e.g. "glBindTexture"
    std::vector<double> args;  // the arguments in order (enums and integers exactly, floats
                               // widened); pointer arguments are left out
    // At glDrawArrays: the elements first .. first + count - 1 of each enabled array, as floats
    // (colours of type GL_UNSIGNED_BYTE keep their 0..255 values), `size` values per element.
    std::vector<float> vertices;
    std::vector<float> texCoords;
    std::vector<float> colors;
    // At glTexImage2D / glTexSubImage2D: the pixel bytes handed over, read with the current
    // unpack alignment and stored with rows packed tightly (width x bytes per pixel).
    std::vector<std::uint8_t> pixels;

    // "glBindTexture(3553, 1)": handy in failure messages.
    std::string text() const;
};

// A call table for tests: logs every call with its arguments, in order, and answers the few
// queries drawing code makes. Array pointers are read at glDrawArrays, as real GL reads them, so a
// pointer into memory that is gone by then shows up under AddressSanitizer.
//
// State tracked: the enabled client arrays (vertex and texture-coordinate arrays start enabled,
// as the game view leaves them; the colour array starts disabled), the texture bound to
// GL_TEXTURE_2D, the bound framebuffer, the viewport and the unpack alignment.
class RecordingGL : public GLES1 {
  public:
    RecordingGL() = default;

    std::span<const GLCall> calls() const { return {calls_.data(), count_}; }
    // Forgets the calls but keeps their storage, so a recorder cleared after every frame stops
    // allocating once it has seen the biggest frame.
    void clear() { count_ = 0; }
    std::vector<std::string> names() const;
    // Calls of one function, in order.
    std::vector<GLCall> callsNamed(std::string_view name) const;
    int count(std::string_view name) const;
    // The last call of that function, or nullptr.
    const GLCall* last(std::string_view name) const;

    void setMaxTextureSize(GLint size) { maxTextureSize_ = size; }
    GLuint boundTexture() const { return boundTexture_; }

    // Each call records itself (RecordingGL.cpp); the list is in GLES1Calls.h.
#define MOVU_RECORDING_GL_DECLARE(ret, name, params, args) ret name params override;
#define MOVU_RECORDING_GL_DECLARE_EXTENSION(type, ret, name, params, args, missing) \
    MOVU_RECORDING_GL_DECLARE(ret, name, params, args)
    MOVU_GLES1_CALLS(MOVU_RECORDING_GL_DECLARE)
    MOVU_GLES1_EXTENSION_CALLS(MOVU_RECORDING_GL_DECLARE_EXTENSION)
#undef MOVU_RECORDING_GL_DECLARE_EXTENSION
#undef MOVU_RECORDING_GL_DECLARE

  private:
    struct ArrayPointer {
        bool enabled = false;
        GLint size = 0;
        GLenum type = 0;
        GLsizei stride = 0;
        const void* ptr = nullptr;
    };

    GLCall& record(std::string_view name, std::initializer_list<double> args) {
        return record(name, std::span<const double>(args.begin(), args.size()));
    }
    GLCall& record(std::string_view name, std::span<const double> args);
    static void copyArray(const ArrayPointer& array, GLint first, GLsizei count,
                          std::vector<float>& out);
    std::vector<std::uint8_t> copyPixels(GLsizei width, GLsizei height, GLenum format, GLenum type,
                                         const void* pixels) const;

    std::vector<GLCall> calls_;  // the first count_ are this recording; the rest are spare
    size_t count_ = 0;
    ArrayPointer vertexArray_{true};
    ArrayPointer texCoordArray_{true};
    ArrayPointer colorArray_{false};
    GLuint nextTexture_ = 1;
    GLuint nextFramebuffer_ = 1;
    GLuint boundTexture_ = 0;
    GLuint boundFramebuffer_ = 0;
    GLint viewport_[4] = {0, 0, 0, 0};
    GLint unpackAlignment_ = 4;
    GLint maxTextureSize_ = 2048;
};

}  // namespace platform::gfx
