// SPDX-License-Identifier: MIT
// Stands in for GL 1.1's state and matrices on the page: the calls the
// program makes that WebGL lacks or means otherwise, the modelview and
// projection matrices and their stacks, glEnable and glDisable of lighting,
// light 0, colour material, normalizing and fog, light 0 as a directional
// light and linear fog. They are kept here, and handed to the
// shader pair (fixed_function.cpp) before a block is drawn. Depth testing,
// blending, its function and the clear colour, which WebGL has too, go on to
// it and are kept, to be given again to a context the browser restores.
// Matrices are computed in single precision, as GL keeps them. Each gl*
// function defined here is the program's; each emscripten_gl* one called is
// WebGL's, through Emscripten's bindings.
#define GL_GLEXT_PROTOTYPES
#include <webgl/webgl1.h>

#include "gl_layer.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <numbers>
#include <utility>

namespace {

using Matrix = std::array<GLfloat, 16>;  // column-major, as GL's
constexpr Matrix identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A matrix stack as deep as GL 1.1 makes the modelview's at least.
struct Stack {
    std::array<Matrix, 32> matrices;
    std::size_t top;       // the current matrix's place
    std::size_t capacity;  // matrices the stack holds at most
};

Stack modelview{{identity}, 0, 32};
Stack projection{{identity}, 0, 2};  // GL 1.1's least depth for it
Stack* current = &modelview;         // as glMatrixMode chose

FixedFunction state{};      // as the shader pair is to draw with it
bool state_changed = true;  // since it was last handed to the shader pair
bool depth_test = false;    // WebGL's capabilities, as the program set them
bool blend = false;
GLenum blend_source = GL_ONE;  // the blending function, GL's initial one
GLenum blend_destination = GL_ZERO;
std::array<GLfloat, 4> clear_colour{0.0f, 0.0f, 0.0f, 0.0f};  // RGBA

Matrix& top()
{
    return current->matrices[current->top];
}

// a × b, in single precision.
Matrix product(const Matrix& a, const Matrix& b)
{
    Matrix p{};
    for (std::size_t column = 0; column < 4; ++column) {
        for (std::size_t row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (std::size_t k = 0; k < 4; ++k) {
                sum += a[k * 4 + row] * b[column * 4 + k];
            }
            p[column * 4 + row] = sum;
        }
    }
    return p;
}

void multiply(const Matrix& m)
{
    top() = product(top(), m);
    state_changed = true;
}

// The inverse transpose of the upper 3 × 3 of `m`, which carries normals
// into eye coordinates: the matrix of its cofactors over its determinant.
std::array<GLfloat, 9> normal_matrix(const Matrix& m)
{
    const auto a = [&m](std::size_t row, std::size_t column) {
        return static_cast<double>(m[column * 4 + row]);
    };
    std::array<double, 9> cofactors{};
    for (std::size_t column = 0; column < 3; ++column) {
        for (std::size_t row = 0; row < 3; ++row) {
            const std::size_t r1 = (row + 1) % 3;
            const std::size_t r2 = (row + 2) % 3;
            const std::size_t c1 = (column + 1) % 3;
            const std::size_t c2 = (column + 2) % 3;
            cofactors[column * 3 + row] = a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1);
        }
    }
    const double determinant = a(0, 0) * cofactors[0] + a(0, 1) * cofactors[3] + a(0, 2) * cofactors[6];
    std::array<GLfloat, 9> n{};
    for (std::size_t i = 0; i < n.size(); ++i) {
        n[i] = determinant == 0.0 ? 0.0f : static_cast<GLfloat>(cofactors[i] / determinant);
    }
    return n;
}

// What glEnable and glDisable of `capability` set; null for one that the
// program never sets.
bool* capability_flag(GLenum capability)
{
    switch (capability) {
    case GL_LIGHTING:
        return &state.lighting;
    case GL_LIGHT0:
        return &state.light0;
    case GL_COLOR_MATERIAL:
        return &state.colour_material;
    case GL_NORMALIZE:
        return &state.normalize;
    case GL_FOG:
        return &state.fog;
    case GL_DEPTH_TEST:
        return &depth_test;
    case GL_BLEND:
        return &blend;
    default:
        return nullptr;
    }
}

void set_capability(GLenum capability, bool on)
{
    bool* flag = capability_flag(capability);
    if (flag == nullptr) {
        unsupported(on ? "glEnable" : "glDisable", capability);
        return;
    }
    *flag = on;
    state_changed = true;
    if (capability == GL_DEPTH_TEST || capability == GL_BLEND) {
        (on ? emscripten_glEnable : emscripten_glDisable)(capability);
    }
}

}  // namespace

void unsupported(const char* call, unsigned int value)
{
    static std::array<std::pair<const char*, unsigned int>, 16> told{};  // what has been said, the first 16
    static std::size_t telling = 0;
    const std::pair<const char*, unsigned int> asked{call, value};
    auto* said = told.begin() + telling;
    if (std::find(told.begin(), said, asked) != said) {
        return;
    }
    if (telling < told.size()) {
        told[telling++] = asked;
    }
    std::fprintf(stderr, "Vendrask's GL layer does not implement %s(0x%04X)\n", call, value);
}

bool make_graphics()
{
    if (!make_fixed_function()) {
        return false;
    }
    forget_buffer();
    set_capability(GL_DEPTH_TEST, depth_test);
    set_capability(GL_BLEND, blend);
    emscripten_glBlendFunc(blend_source, blend_destination);
    emscripten_glClearColor(clear_colour[0], clear_colour[1], clear_colour[2], clear_colour[3]);
    state_changed = true;
    return true;
}

void prepare_to_draw()
{
    if (!state_changed) {
        return;
    }
    const Matrix& eye = modelview.matrices[modelview.top];
    state.modelview = eye;
    state.modelview_projection = product(projection.matrices[projection.top], eye);
    state.normal_matrix = normal_matrix(eye);
    apply_fixed_function(state);
    state_changed = false;
}

extern "C" {

void glMatrixMode(GLenum mode)
{
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) {
        current = mode == GL_MODELVIEW ? &modelview : &projection;
    } else {
        unsupported("glMatrixMode", mode);
    }
}

void glLoadIdentity()
{
    top() = identity;
    state_changed = true;
}

void glPushMatrix()
{
    if (current->top + 1 < current->capacity) {
        current->matrices[current->top + 1] = top();
        ++current->top;
    } else {
        unsupported("glPushMatrix beyond the stack", static_cast<unsigned int>(current->capacity));
    }
}

void glPopMatrix()
{
    if (current->top > 0) {
        --current->top;
        state_changed = true;
    }
}

void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top_edge, GLdouble near, GLdouble far)
{
    const auto l = static_cast<GLfloat>(left);
    const auto r = static_cast<GLfloat>(right);
    const auto b = static_cast<GLfloat>(bottom);
    const auto t = static_cast<GLfloat>(top_edge);
    const auto n = static_cast<GLfloat>(near);
    const auto f = static_cast<GLfloat>(far);
    multiply({2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0, (r + l) / (r - l), (t + b) / (t - b),
              -(f + n) / (f - n), -1, 0, 0, -(2 * f * n) / (f - n), 0});
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    multiply({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    multiply({x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1});
}

// About the axis (x, y, z), by `angle` degrees, counter-clockwise looking
// down the axis.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    const GLfloat length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) {
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const double radians = static_cast<double>(angle) * std::numbers::pi / 180.0;
    const auto s = static_cast<GLfloat>(std::sin(radians));
    const auto c = static_cast<GLfloat>(std::cos(radians));
    const GLfloat k = 1.0f - c;
    multiply({x * x * k + c, y * x * k + z * s, x * z * k - y * s, 0, x * y * k - z * s, y * y * k + c,
              y * z * k + x * s, 0, x * z * k + y * s, y * z * k - x * s, z * z * k + c, 0, 0, 0, 0, 1});
}

void glEnable(GLenum capability)
{
    set_capability(capability, true);
}

void glDisable(GLenum capability)
{
    set_capability(capability, false);
}

// Light 0 only, and directional: the program lights with no other.
void glLightfv(GLenum light, GLenum name, const GLfloat* values)
{
    std::array<GLfloat, 4> given{values[0], values[1], values[2], values[3]};
    if (light != GL_LIGHT0 || (name == GL_POSITION && given[3] != 0.0f)) {
        unsupported(light != GL_LIGHT0 ? "glLightfv of a light" : "glLightfv of a positional light", light);
        return;
    }
    switch (name) {
    case GL_POSITION:
        // Into eye coordinates, by the modelview matrix as it is now.
        for (std::size_t row = 0; row < 3; ++row) {
            const Matrix& m = modelview.matrices[modelview.top];
            state.light_direction[row] = m[row] * given[0] + m[4 + row] * given[1] + m[8 + row] * given[2];
        }
        break;
    case GL_AMBIENT:
        state.light_ambient = given;
        break;
    case GL_DIFFUSE:
        state.light_diffuse = given;
        break;
    default:
        unsupported("glLightfv", name);
        return;
    }
    state_changed = true;
}

void glFogfv(GLenum name, const GLfloat* values)
{
    switch (name) {
    case GL_FOG_MODE:
        if (static_cast<GLenum>(values[0]) != GL_LINEAR) {
            unsupported("glFog of the mode", static_cast<GLenum>(values[0]));
        }
        return;
    case GL_FOG_DENSITY:
        return;  // linear fog has none
    case GL_FOG_START:
        state.fog_start = values[0];
        break;
    case GL_FOG_END:
        state.fog_end = values[0];
        break;
    case GL_FOG_COLOR:
        state.fog_colour = {values[0], values[1], values[2], values[3]};
        break;
    default:
        unsupported("glFog", name);
        return;
    }
    state_changed = true;
}

void glFogf(GLenum name, GLfloat value)
{
    glFogfv(name, &value);
}

void glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    blend_source = sfactor;
    blend_destination = dfactor;
    emscripten_glBlendFunc(sfactor, dfactor);
}

void glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    clear_colour = {red, green, blue, alpha};
    emscripten_glClearColor(red, green, blue, alpha);
}

}  // extern "C"
