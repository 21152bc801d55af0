// SPDX-License-Identifier: MIT
// Window creation and the fixed OpenGL state, shared by the program and by
// the tests that draw real frames.
#include "startup.h"

#include <GL/glut.h>

#include "window.h"

namespace {

// Square frustum, a 90 degree field of view both ways; the picture is
// stretched to the window's shape since the viewport follows the window.
constexpr double frustum_half_side = 0.1;  // at the near plane
constexpr double frustum_near = 0.1;       // scene units
constexpr double frustum_far = 60.0;       // scene units

}  // namespace

void create_window()
{
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(window_width, window_height);
    glutCreateWindow(window_title);
}

void set_fixed_state()
{
    glEnable(GL_DEPTH_TEST);
    // glColor sets the material's ambient and diffuse colour too.
    glEnable(GL_COLOR_MATERIAL);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-frustum_half_side, frustum_half_side, -frustum_half_side, frustum_half_side, frustum_near, frustum_far);
    glMatrixMode(GL_MODELVIEW);
}
