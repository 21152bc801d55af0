// SPDX-License-Identifier: MIT
// The landscape: a 513 x 513 grid of heights grown by recursive midpoint
// displacement, and the height statistics taken from it.
#pragma once

#include <array>
#include <cstdint>

constexpr int grid_side = 513;                     // cells per side, coordinates 0 to 512
constexpr int grid_last = grid_side - 1;           // the far edge's coordinate
constexpr int grid_cells = grid_side * grid_side;  // heights in the grid
constexpr int landscape_levels = 9;                // subdivision levels that fill the grid

using Grid = std::array<float, grid_cells>;

extern Grid landscape;               // heights in grid units, P(u, v) at cell_index(u, v)
extern float height_min;             // lowest height after the last generation
extern float height_max;             // highest height after the last generation
extern float water_level;            // one third of the way up from height_min
extern std::int32_t landscape_seed;  // seed word handed to the random source

// Where grid point (u, v), each 0 to 512, lies in a Grid.
constexpr std::size_t cell_index(int u, int v)
{
    return static_cast<std::size_t>(u) * grid_side + static_cast<std::size_t>(v);
}

// Height of grid point (u, v).
inline float P(int u, int v)
{
    return landscape[cell_index(u, v)];
}

// Standard deviation of the displacements of a level whose step is `step`.
double displacement_scale(double step);

// Sets every height to 0.
void clear_landscape(Grid& grid);

// Runs `levels` levels of subdivision over a cleared grid (9 fills it) and
// recomputes the height statistics. More than 9 levels add nothing (the grid
// is full after 9); 0 or fewer leave the heights as they are.
void generate_landscape(Grid& grid, int levels);

// Grows a new landscape from where the random sequence stands: clears the
// grid and generates every level. Start-up and the "r" key both call it.
void grow_landscape();
