// SPDX-License-Identifier: MIT
// Vendrask: the magic wonderland. Grows a fractal landscape at start-up and
// shows it lit, height-coloured, fogged and under water, turning slowly.
//
// Keys:     +  finer mesh            -  coarser mesh
//           a  turn left (slower)    d  turn right (faster)
//           w  tilt faster           s  tilt slower
//           r  grow a new landscape  q  quit
// Buttons:  left  move in while held     right  move out while held
//           middle  quit
#include <GL/glut.h>

#include <cstdio>

#include "controls.h"
#include "landscape.h"
#include "render.h"
#include "startup.h"

// POSIX only: Windows hands a program without standard handles no numbered
// descriptors that a window connection could take, so there is nothing to
// fill in there.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens /dev/null on any of standard input, output and error that the
// process was started without. Otherwise the X connection would take the
// lowest free descriptor and the start-up line would be written into it.
void open_missing_standard_descriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1) {
            open("/dev/null", O_RDWR);  // takes the lowest free descriptor: this one
        }
    }
}

}  // namespace
#else
namespace {
void open_missing_standard_descriptors() {}
}  // namespace
#endif

int main(int argc, char** argv)
{
    open_missing_standard_descriptors();
    glutInit(&argc, argv);

    std::printf("Initializing landscape[%d][%d]\n", grid_side, grid_side);
    // Flushed now so that the line is out before the window opens, even
    // when standard output is a pipe.
    std::fflush(stdout);
    grow_landscape();

    create_window();
    set_fixed_state();

    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMouseFunc(mouse);
    glutMainLoop();
    return 0;
}
