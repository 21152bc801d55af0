// SPDX-License-Identifier: MIT
// The program's window and fixed GL state, opened on a private display, for
// tests and benchmarks that draw real frames in-process.
#pragma once

#include "x_session.h"

// Points DISPLAY at `screen`, starts GLUT as `program` and opens the window;
// GL calls are passed on to the real library from then on.
void open_viewer_window(const VirtualDisplay& screen, const char* program);

// The back buffer of the open window, as a frame leaves it before the swap.
Picture read_back_buffer();
