// SPDX-License-Identifier: MIT
// One frame of the landscape: camera, light, fog, the height-coloured mesh
// and the translucent water plane.
#pragma once

constexpr float landscape_scale = 0.0029239766f;  // scene units per grid unit, about 1/342

// GLUT display callback: draws one whole frame and swaps buffers.
void display();

// Loads the model-view matrix from the viewer's tilt, heading, eye height
// and distance.
void set_camera();

// Sets light 0 as a directional light from (x, y, z) and switches lighting on.
void set_light(float x, float y, float z);

// Emits the landscape as triangle strips at the viewer's detail level.
void draw_landscape();

// One vertex at grid point (u, v) with its normal and colour, for step s.
void emit_vertex(int u, int v, int s);

// Issues the unnormalised normal of grid point (u, v) for step s.
void vertex_normal(int u, int v, int s);

// Issues the ramp colour for height h: green at the lowest, brown two thirds
// of the way up, white at the highest.
void height_colour(float h);
