// SPDX-License-Identifier: MIT
// Stands in for GL 1.1's immediate mode on the page: glBegin, glNormal3f, glColor3f,
// glColor4f, glVertex3f and glEnd, which WebGL lacks. Work per vertex stays
// in the module, rather than one call out to JavaScript for each of some 1.6
// million a frame at the finest detail. Each block is gathered in the module's memory as GL keeps it, the
// current normal and colour copied into each vertex, and drawn at glEnd by
// one glDrawArrays from one WebGL buffer that holds the whole frame, the
// blocks one after another. Between frames nothing but the matrices changes
// as a rule, so the module keeps a copy of what the buffer holds and hands
// over only the vertices that differ from it, compared byte for byte: a
// steady frame copies nothing into WebGL, and no block is ever drawn stale.
// A convex polygon is drawn as the triangle fan of its corners.
#define GL_GLEXT_PROTOTYPES
#include <webgl/webgl1.h>

#include "gl_layer.h"
#include "landscape.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Vertex {
    std::array<GLfloat, 3> position;  // object coordinates
    std::array<GLfloat, 3> normal;    // as given, not normalised
    std::array<GLfloat, 4> colour;    // RGBA, 0 to 1
};
static_assert(sizeof(Vertex) == 10 * sizeof(GLfloat), "no padding: vertices are compared byte for byte");

// The most a frame draws: the finest mesh, a strip between each two of the
// grid's rows with two vertices for each of its columns, and the water's
// four corners.
constexpr std::size_t max_frame_vertices = std::size_t{grid_last} * 2 * grid_side + 4;
// The buffer grows in steps of this many vertices (about 1 MB), as far as
// the frame needs, and never beyond the most a frame draws.
constexpr std::size_t growth_vertices = 26'214;

std::array<Vertex, max_frame_vertices> frame{};         // the frame's vertices, as the WebGL buffer holds them
std::size_t block_start = 0;                            // the block's first vertex in `frame`
std::size_t next = 0;                                   // the next vertex's place in `frame`
std::size_t changed_from = max_frame_vertices;          // the block's first vertex that differs from the buffer's
GLenum mode = GL_POINTS;                                // the block's primitive, as drawn
std::array<GLfloat, 3> normal{0.0f, 0.0f, 1.0f};        // current normal, GL's initial one
std::array<GLfloat, 4> colour{1.0f, 1.0f, 1.0f, 1.0f};  // current colour, GL's initial one
GLuint buffer = 0;                                      // the WebGL buffer, 0 until made
std::size_t buffer_vertices = 0;                        // vertices the buffer has room for

// An offset into the bound buffer, which GL takes in place of a pointer.
const void* in_buffer(std::size_t offset)
{
    return reinterpret_cast<const void*>(offset);  // NOLINT(performance-no-int-to-ptr): GL's own convention
}

// The WebGL buffer and the three arrays in it, interleaved. They stay bound
// and enabled: the program draws nothing else from arrays.
void make_buffer()
{
    constexpr GLsizei stride = sizeof(Vertex);
    emscripten_glGenBuffers(1, &buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
    emscripten_glVertexAttribPointer(position_attribute, 3, GL_FLOAT, GL_FALSE, stride,
                                     in_buffer(offsetof(Vertex, position)));
    emscripten_glVertexAttribPointer(normal_attribute, 3, GL_FLOAT, GL_FALSE, stride,
                                     in_buffer(offsetof(Vertex, normal)));
    emscripten_glVertexAttribPointer(colour_attribute, 4, GL_FLOAT, GL_FALSE, stride,
                                     in_buffer(offsetof(Vertex, colour)));
    for (const GLuint attribute : {position_attribute, normal_attribute, colour_attribute}) {
        emscripten_glEnableVertexAttribArray(attribute);
    }
}

// Stops the program, and the page says so, rather than let it draw a part
// of a frame.
[[noreturn]] void stop(const char* why)
{
    std::fprintf(stderr, "Vendrask's immediate mode: %s\n", why);
    std::abort();
}

// Hands the buffer the block's vertices that differ from what it holds: all
// that `frame` holds up to the block's end when the buffer must grow.
void hand_over()
{
    const auto bytes = [](std::size_t vertices) {
        return static_cast<GLsizeiptr>(vertices * sizeof(Vertex));
    };
    if (next > buffer_vertices) {
        buffer_vertices = std::min(max_frame_vertices, (next / growth_vertices + 1) * growth_vertices);
        emscripten_glBufferData(GL_ARRAY_BUFFER, bytes(buffer_vertices), frame.data(), GL_DYNAMIC_DRAW);
        // GL keeps a few error flags at most; a lost context may keep
        // answering with its own, so the reading has a bound.
        for (int flags = 0; flags < 8; ++flags) {
            const GLenum error = emscripten_glGetError();
            if (error == GL_OUT_OF_MEMORY) {
                stop("the graphics have no room for the frame");
            }
            if (error == GL_NO_ERROR) {
                break;
            }
        }
    } else if (changed_from < next) {
        emscripten_glBufferSubData(GL_ARRAY_BUFFER, bytes(changed_from), bytes(next - changed_from),
                                   &frame[changed_from]);
    }
    changed_from = max_frame_vertices;
}

}  // namespace

void frame_shown()
{
    next = 0;
}

// A new buffer is handed the frame whole, as far as it has been drawn and
// beyond, from the copy kept here.
void forget_buffer()
{
    buffer = 0;
    buffer_vertices = 0;
}

extern "C" {

void glBegin(GLenum primitive)
{
    if (primitive != GL_TRIANGLE_STRIP && primitive != GL_POLYGON) {
        unsupported("glBegin", primitive);  // the program draws no other
    }
    mode = primitive == GL_POLYGON ? GL_TRIANGLE_FAN : primitive;
    block_start = next;
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    normal = {x, y, z};
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    colour = {r, g, b, a};
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    glColor4f(r, g, b, 1.0f);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (next == frame.size()) {
        stop("a frame holds more vertices than any of the program's");  // one was never said to be shown
    }
    const Vertex vertex{{x, y, z}, normal, colour};
    // Byte for byte, as the buffer holds it: -0 is not 0 there, and a NaN is
    // the same NaN.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    if (std::memcmp(&frame[next], &vertex, sizeof vertex) != 0) {
        frame[next] = vertex;
        changed_from = std::min(changed_from, next);
    }
    ++next;
}

void glEnd()
{
    if (buffer == 0) {
        make_buffer();
    }
    hand_over();
    prepare_to_draw();
    emscripten_glDrawArrays(mode, static_cast<GLint>(block_start), static_cast<GLsizei>(next - block_start));
}

}  // extern "C"
