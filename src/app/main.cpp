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

int main(int argc, char** argv)
{
    glutInit(&argc, argv);

    std::printf("Initializing landscape[%d][%d]\n", grid_side, grid_side);
    // Flushed now so that the line is out before the window opens, even
    // when standard output is a pipe.
    std::fflush(stdout);
    clear_landscape(landscape);
    generate_landscape(landscape, landscape_levels);

    create_window();
    set_fixed_state();

    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMouseFunc(mouse);
    glutMainLoop();
    return 0;
}
