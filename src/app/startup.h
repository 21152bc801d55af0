// SPDX-License-Identifier: MIT
// Window creation and the OpenGL state that stays fixed for the whole run.
#pragma once

// Opens the titled, double-buffered 600 x 512 window.
void create_window();

// Depth test, colour material, black clear colour and the square frustum.
void set_fixed_state();
