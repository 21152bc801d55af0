// SPDX-License-Identifier: MIT
// Input and idle callbacks. Motion is per idle call, with no clock, so its
// speed follows the frame rate.
#include "controls.h"

#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "landscape.h"
#include "viewer_state.h"

namespace {

constexpr float rate_step = 1.0f;    // degrees per idle call added by one key press
constexpr float zoom_speed = 0.02f;  // scene units per idle call while a button is held

constexpr float full_turn = 360.0f;  // degrees

float add(float value, float delta)
{
    return static_cast<float>(static_cast<double>(value) + static_cast<double>(delta));
}

// The angle after one more step, brought back within one turn by whole
// turns, which std::fmod takes away exactly. A float angle left to grow
// would first turn in visible jumps and then stop: from 2^24 degrees adding
// 1 no longer changes it.
float turn(float angle, float rate)
{
    return std::fmod(add(angle, rate), full_turn);
}

}  // namespace

void keyboard(unsigned char key, int /*x*/, int /*y*/)
{
    switch (key) {
    case '+':
        viewer.detail_level = std::max(viewer.detail_level - 1, finest_detail);
        break;
    case '-':
        viewer.detail_level = std::min(viewer.detail_level + 1, coarsest_detail);
        break;
    case 'a':
        viewer.heading_rate = add(viewer.heading_rate, -rate_step);
        break;
    case 'd':
        viewer.heading_rate = add(viewer.heading_rate, rate_step);
        break;
    case 'w':
        viewer.tilt_rate = add(viewer.tilt_rate, rate_step);
        break;
    case 's':
        viewer.tilt_rate = add(viewer.tilt_rate, -rate_step);
        break;
    case 'r':
        grow_landscape();
        break;
    case 'q':
        std::exit(EXIT_SUCCESS);
    default:
        break;
    }
}

void mouse(int button, int state, int /*x*/, int /*y*/)
{
    if (state == GLUT_UP) {
        viewer.zoom_rate = 0.0f;
        return;
    }
    if (state != GLUT_DOWN) {
        return;
    }
    switch (button) {
    case GLUT_LEFT_BUTTON:
        viewer.zoom_rate = -zoom_speed;
        break;
    case GLUT_RIGHT_BUTTON:
        viewer.zoom_rate = zoom_speed;
        break;
    case GLUT_MIDDLE_BUTTON:
        std::exit(EXIT_SUCCESS);
    default:
        break;
    }
}

void idle()
{
    viewer.heading = turn(viewer.heading, viewer.heading_rate);
    viewer.distance = add(viewer.distance, viewer.zoom_rate);
    viewer.tilt = turn(viewer.tilt, viewer.tilt_rate);
    glutPostRedisplay();
}
