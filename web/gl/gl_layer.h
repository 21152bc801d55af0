// SPDX-License-Identifier: MIT
// What the files of the page's GL layer share. It stands in for the desktop's
// GL 1.1 and GLUT, over WebGL and the browser, for exactly the calls the
// program makes: gl_layer.cpp (state and matrices), fixed_function.cpp (the
// shader pair that draws with that state), immediate_mode.cpp (glBegin to
// glEnd) and glut.cpp (the window, its main loop and input), which makes their
// WebGL objects when it has a context and again after the browser has given a
// lost one back. Anything else asked of it is said once on the console
// (unsupported), so that a program change the page cannot follow is seen.
#pragma once

#include <GL/gl.h>

#include <array>

// The fixed-function state that GL 1.1 applies to each vertex and fragment,
// as the program has set it, in eye coordinates where GL keeps it so.
struct FixedFunction {
    std::array<GLfloat, 16> modelview{};             // column-major, as GL's
    std::array<GLfloat, 16> modelview_projection{};  // projection × modelview, as GL applies them
    std::array<GLfloat, 9> normal_matrix{};          // inverse transpose of the modelview's upper 3 × 3
    bool lighting = false;
    bool light0 = false;
    bool colour_material = false;
    bool normalize = false;
    bool fog = false;
    std::array<GLfloat, 3> light_direction{0.0f, 0.0f, 1.0f};      // towards the light, eye coordinates
    std::array<GLfloat, 4> light_ambient{0.0f, 0.0f, 0.0f, 1.0f};  // RGBA
    std::array<GLfloat, 4> light_diffuse{1.0f, 1.0f, 1.0f, 1.0f};  // RGBA, light 0's initial one
    GLfloat fog_start = 0.0f;                                      // linear fog, eye distance, scene units
    GLfloat fog_end = 1.0f;                                        // eye distance, scene units
    std::array<GLfloat, 4> fog_colour{0.0f, 0.0f, 0.0f, 0.0f};     // RGBA
};

// Says on the console, once for each, that the layer was asked for what it
// does not do: `call` with the enum or bits `value`.
void unsupported(const char* call, unsigned int value);

// The vertex arrays as the shader pair reads them.
constexpr GLuint position_attribute = 0;
constexpr GLuint normal_attribute = 1;
constexpr GLuint colour_attribute = 2;

// fixed_function.cpp: makes the shader pair and leaves it in use; false if
// it could not be made.
bool make_fixed_function();
// Hands the shader pair the state.
void apply_fixed_function(const FixedFunction& state);

// gl_layer.cpp: makes the layer's WebGL objects and state, at first or
// again after a restore; false if that could not be done.
bool make_graphics();
// Brings the shader pair up to date before a block is drawn.
void prepare_to_draw();

// immediate_mode.cpp: the frame has been shown, and the next block is the
// first of the next; and the WebGL buffer is new, so all is handed over.
void frame_shown();
void forget_buffer();
