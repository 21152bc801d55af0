// SPDX-License-Identifier: MIT
// Opens the program's window on a private display.
#include "gl_window.h"

#include <GL/glut.h>

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
