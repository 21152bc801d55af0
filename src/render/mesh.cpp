// SPDX-License-Identifier: MIT
// Landscape mesh: rows of triangle strips in grid units (x = u, y = v,
// z = height), each vertex with a finite-difference normal and a colour from
// a three-stop height ramp. Everything is recomputed from the grid each frame.
#include <GL/gl.h>

#include <algorithm>
#include <array>

#include "landscape.h"
#include "render.h"
#include "viewer_state.h"

namespace {

using Colour = std::array<float, 3>;

constexpr Colour low_colour{0.1f, 0.7f, 0.2f};     // green, at height_min
constexpr Colour middle_colour{0.5f, 0.3f, 0.2f};  // brown, two thirds of the way up
constexpr Colour high_colour{1.0f, 1.0f, 1.0f};    // white, at height_max
constexpr double one_third = 1.0 / 3.0;            // places the middle stop
static_assert(1 << coarsest_detail == grid_last, "the coarsest mesh step spans the grid");

// Issues (1 - f) * from + f * to.
void mix_colour(const Colour& from, const Colour& to, double f)
{
    std::array<float, 3> c{};
    for (std::size_t i = 0; i < c.size(); ++i) {
        c[i] = static_cast<float>((1.0 - f) * static_cast<double>(from[i]) + f * static_cast<double>(to[i]));
    }
    glColor3f(c[0], c[1], c[2]);
}

// Difference of heights along one axis at coordinate w, with neighbours at
// w - s and w + s. One step short of the far edge already takes the
// one-sided backward form; at step 512 the only point is flat.
float slope(int w, int s, float before, float here, float after)
{
    const bool has_before = s <= w;
    const bool has_after = w < grid_last - s;
    if (has_before && has_after) {
        return static_cast<float>(static_cast<double>(before) - static_cast<double>(after));
    }
    if (has_after) {
        return static_cast<float>(2.0 * (static_cast<double>(here) - static_cast<double>(after)));
    }
    if (has_before) {
        return static_cast<float>(2.0 * (static_cast<double>(before) - static_cast<double>(here)));
    }
    return 0.0f;
}

// Height at (u, v), or 0 where the point lies off the grid; only read by
// `slope` where the neighbour exists.
float height_or_zero(int u, int v)
{
    if (u < 0 || v < 0 || u > grid_last || v > grid_last) {
        return 0.0f;
    }
    return P(u, v);
}

}  // namespace

void height_colour(float h)
{
    const double lo = height_min;
    const double hi = height_max;
    if (!(hi > lo)) {
        // A flat landscape has no range to spread the ramp over: all of it
        // is the lowest ground.
        glColor3f(low_colour[0], low_colour[1], low_colour[2]);
        return;
    }
    const double t = (lo + 2.0 * hi) * one_third;
    const double x = h;
    if (x > t) {
        mix_colour(middle_colour, high_colour, (x - t) / (hi - t));
    } else {
        mix_colour(low_colour, middle_colour, (x - lo) / (t - lo));
    }
}

void vertex_normal(int u, int v, int s)
{
    const float here = P(u, v);
    const float gx = slope(u, s, height_or_zero(u - s, v), here, height_or_zero(u + s, v));
    const float gy = slope(v, s, height_or_zero(u, v - s), here, height_or_zero(u, v + s));
    glNormal3f(gx, gy, 1.0f);
}

void emit_vertex(int u, int v, int s)
{
    vertex_normal(u, v, s);
    const float h = P(u, v);
    height_colour(h);
    glVertex3f(static_cast<float>(u), static_cast<float>(v), h);
}

void draw_landscape()
{
    const int s = 1 << std::clamp(viewer.detail_level, finest_detail, coarsest_detail);
    for (int v = 0; v < grid_side - s; v += s) {
        glBegin(GL_TRIANGLE_STRIP);
        emit_vertex(0, v, s);
        int u = 0;
        do {
            emit_vertex(u, v + s, s);
            u += s;
            emit_vertex(u, v, s);
        } while (u < grid_side - s);
        emit_vertex(grid_last, v + s, s);
        glEnd();
    }
}
