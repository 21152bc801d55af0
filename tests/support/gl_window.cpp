// SPDX-License-Identifier: MIT
// Opens the program's window on a private display.
#include "gl_window.h"

#include <GL/glut.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "gl_recorder.h"
#include "startup.h"

void open_viewer_window(const VirtualDisplay& screen, const char* program)
{
    setenv("DISPLAY", screen.name.c_str(), 1);
    gl_mode = GlMode::pass;
    std::string name = program;
    int argc = 1;
    char* argv[] = {name.data(), nullptr};
    glutInit(&argc, argv);
    create_window();
    set_fixed_state();
}

Picture read_back_buffer()
{
    Picture frame;
    frame.width = glutGet(GLUT_WINDOW_WIDTH);
    frame.height = glutGet(GLUT_WINDOW_HEIGHT);
    const std::size_t row = 3 * static_cast<std::size_t>(frame.width);
    frame.rgb.assign(row * static_cast<std::size_t>(frame.height), 0);
    std::vector<std::uint8_t> bottom_up(frame.rgb.size());
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    for (int y = 0; y < frame.height; ++y) {
        std::copy_n(&bottom_up[row * static_cast<std::size_t>(frame.height - 1 - y)], row,
                    &frame.rgb[row * static_cast<std::size_t>(y)]);
    }
    return frame;
}
