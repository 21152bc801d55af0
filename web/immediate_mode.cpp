// SPDX-License-Identifier: MIT
// Immediate mode for the page, compiled into its module in place of the
// emulation's own. The emulation's glBegin/glEnd work per vertex in
// JavaScript: three calls cross out of the module for every vertex (about
// 1.6 million a frame at the finest detail), it has no GL_POLYGON, and a
// normal or colour given once does not carry over to the vertices after it.
// Here a block is gathered in the module's memory as GL keeps it, the current
// normal and colour copied into each vertex, and handed over at glEnd as one
// interleaved client array drawn by one glDrawArrays, the emulation's fast
// path. A convex polygon is drawn as the triangle fan of its corners.
#include <GL/gl.h>

#include <array>
#include <cstddef>

namespace {

struct Vertex {
    std::array<GLfloat, 3> position;  // object coordinates
    std::array<GLfloat, 3> normal;    // as given, not normalised
    std::array<GLfloat, 4> colour;    // RGBA, 0 to 1
};

// The longest block the program draws: one strip of the finest mesh, two
// vertices for each of the grid's 513 columns.
constexpr std::size_t max_vertices = std::size_t{2} * 513;

std::array<Vertex, max_vertices> block{};               // the block being gathered
std::size_t count = 0;                                  // vertices gathered since glBegin
GLenum mode = GL_POINTS;                                // the block's primitive, as drawn
std::array<GLfloat, 3> normal{0.0f, 0.0f, 1.0f};        // current normal, GL's initial one
std::array<GLfloat, 4> colour{1.0f, 1.0f, 1.0f, 1.0f};  // current colour, GL's initial one
bool arrays_set = false;                                // the client arrays point into `block`

// The three client arrays, interleaved in `block`. They stay set and
// enabled: the program draws nothing else from client arrays, and the
// emulation does not look at them again until they change.
void set_arrays()
{
    constexpr GLsizei stride = sizeof(Vertex);
    glVertexPointer(3, GL_FLOAT, stride, block[0].position.data());
    glNormalPointer(GL_FLOAT, stride, block[0].normal.data());
    glColorPointer(4, GL_FLOAT, stride, block[0].colour.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    arrays_set = true;
}

}  // namespace

extern "C" {

void glBegin(GLenum primitive)
{
    mode = primitive == GL_POLYGON ? GL_TRIANGLE_FAN : primitive;
    count = 0;
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
    if (count < block.size()) {
        block[count++] = Vertex{{x, y, z}, normal, colour};
    }
}

void glEnd()
{
    if (!arrays_set) {
        set_arrays();
    }
    glDrawArrays(mode, 0, static_cast<GLsizei>(count));
}

}  // extern "C"
