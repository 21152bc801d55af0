// SPDX-License-Identifier: MIT
// Landscape generator: midpoint displacement in which each level first sets
// the midpoint of every square's edges from the edge's ends, then each
// square's centre from those four new midpoints. Intermediates are double;
// heights round to float as they are stored.
#include "landscape.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "random_source.h"

// The same seed gives the same landscape only under plain IEEE double
// arithmetic; these builds would not give it.
#ifdef __FAST_MATH__
#error "built with fast-math (-ffast-math, -Ofast): the landscape would differ from machine to machine"
#endif
#if FLT_EVAL_METHOD != 0
#error "floating point is evaluated with excess precision (x87): build with -msse2 -mfpmath=sse"
#endif

Grid landscape{};
float height_min = 0;
float height_max = 0;
float water_level = 0;
std::int32_t landscape_seed = 42;

namespace {

constexpr double roughness_ratio = 0.5;         // scale kept from one level to the next
constexpr double displacement_amplitude = 0.3;  // standard deviation per grid unit of step
constexpr float edge_average = 0.5f;            // weight of each end of an edge
constexpr float centre_average = 0.25f;         // weight of each of a centre's four midpoints
constexpr float third = 0.33333334f;            // single-precision one third, for the water level
constexpr int first_step = grid_last;           // step of level 1: the whole side
constexpr int finest_squares = grid_last / 2;   // squares per side at the last level

// Displacements a level draws: the midpoints of its squares' edges, then
// the squares' centres.
constexpr int deviates_for(int squares)
{
    return 2 * squares * (squares + 1) + squares * squares;
}

// One level's Gaussian deviates, drawn together in the order the passes use them.
std::array<float, deviates_for(finest_squares)> level_deviates{};

float& cell(Grid& grid, int u, int v)
{
    return grid[cell_index(u, v)];
}

// The next of the level's deviates, scaled to standard deviation `sigma`.
double displacement(const float*& next, double sigma)
{
    return static_cast<double>(*next++) * sigma;
}

// Midpoints of every edge of every square of side `a`: for each corner in
// turn (v outer, u inner), the edge along u, then the edge along v.
void edge_pass(Grid& grid, int a, double sigma, const float*& next)
{
    const int d = a / 2;
    const int n = grid_side - a;
    for (int v = 0; v < grid_side; v += a) {
        for (int u = 0; u < grid_side; u += a) {
            if (u < n) {
                const double g = displacement(next, sigma);
                cell(grid, u + d, v) = static_cast<float>(
                    g + (static_cast<double>(cell(grid, u + a, v)) + static_cast<double>(cell(grid, u, v))) *
                            static_cast<double>(edge_average));
            }
            if (v < n) {
                const double g = displacement(next, sigma);
                cell(grid, u, v + d) = static_cast<float>(
                    g + (static_cast<double>(cell(grid, u, v)) + static_cast<double>(cell(grid, u, v + a))) *
                            static_cast<double>(edge_average));
            }
        }
    }
}

// Centre of every square of side `a`, from its four edge midpoints.
void centre_pass(Grid& grid, int a, double sigma, const float*& next)
{
    const int d = a / 2;
    const int n = grid_side - a;
    for (int v = 0; v < n; v += a) {
        for (int u = 0; u < n; u += a) {
            const double g = displacement(next, sigma);
            const double sum =
                static_cast<double>(cell(grid, u, v + d)) + static_cast<double>(cell(grid, u + d, v + a)) +
                static_cast<double>(cell(grid, u + d, v)) + static_cast<double>(cell(grid, u + a, v + d));
            cell(grid, u + d, v + d) = static_cast<float>(g + sum * static_cast<double>(centre_average));
        }
    }
}

void compute_statistics(const Grid& grid)
{
    height_min = grid[0];
    height_max = grid[0];
    for (const float h : grid) {
        if (h < height_min) {
            height_min = h;
        }
        if (h > height_max) {
            height_max = h;
        }
    }
    water_level = static_cast<float>((2.0 * static_cast<double>(height_min) + static_cast<double>(height_max)) *
                                     static_cast<double>(third));
}

}  // namespace

double displacement_scale(double step)
{
    return displacement_amplitude * std::pow(step, -std::log(roughness_ratio) / std::log(2.0));
}

void clear_landscape(Grid& grid)
{
    grid.fill(0.0f);
}

void generate_landscape(Grid& grid, int levels)
{
    const int last_level = std::min(levels, landscape_levels);
    for (int i = 1; i <= last_level; ++i) {
        const int a = first_step >> (i - 1);
        const double sigma = displacement_scale(a);
        const std::span<float> deviates(level_deviates.data(), static_cast<std::size_t>(deviates_for(first_step / a)));
        gauss_fill(landscape_seed, deviates);
        const float* next = deviates.data();
        edge_pass(grid, a, sigma, next);
        centre_pass(grid, a, sigma, next);
    }
    compute_statistics(grid);
}

void grow_landscape()
{
    clear_landscape(landscape);
    generate_landscape(landscape, landscape_levels);
}
