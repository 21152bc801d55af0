// Input and idle callbacks. Motion is per idle call, with no clock, so its
// speed follows the frame rate.
#include "controls.h"

#include <GL/glut.h>

#include <algorithm>
#include <cstdlib>

#include "landscape.h"
#include "viewer_state.h"

namespace {

constexpr float rate_step = 1.0f;    // degrees per idle call added by one key press
constexpr float zoom_speed = 0.02f;  // scene units per idle call while a button is held
constexpr int finest_detail = 0;     // detail level of a mesh step of 1
constexpr int coarsest_detail = 9;   // detail level of a mesh step of 512

// Mouse buttons and their states as GLUT reports them.
constexpr int left_button = 0;
constexpr int middle_button = 1;
constexpr int right_button = 2;
constexpr int button_down = 0;
constexpr int button_up = 1;

float add(float value, float delta)
{
    return static_cast<float>(static_cast<double>(value) + static_cast<double>(delta));
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
        clear_landscape(landscape);
        generate_landscape(landscape, landscape_levels);
        break;
    case 'q':
        std::exit(EXIT_SUCCESS);
    default:
        break;
    }
}

void mouse(int button, int state, int /*x*/, int /*y*/)
{
    if (state == button_up) {
        viewer.zoom_rate = 0.0f;
        return;
    }
    if (state != button_down) {
        return;
    }
    switch (button) {
    case left_button:
        viewer.zoom_rate = -zoom_speed;
        break;
    case right_button:
        viewer.zoom_rate = zoom_speed;
        break;
    case middle_button:
        std::exit(EXIT_SUCCESS);
    default:
        break;
    }
}

void idle()
{
    viewer.heading = add(viewer.heading, viewer.heading_rate);
    viewer.distance = add(viewer.distance, viewer.zoom_rate);
    viewer.tilt = add(viewer.tilt, viewer.tilt_rate);
    glutPostRedisplay();
}
