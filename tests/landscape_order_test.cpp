// SPDX-License-Identifier: MIT
// The generator's structure, from a scripted deviate source: which deviate
// lands on which point, how many are drawn, and what happens at the edges of
// the level range.
#include <gtest/gtest.h>

#include <cstdint>

#include "landscape.h"
#include "random_source.h"

namespace {

int drawn = 0;          // deviates handed out so far
bool counting = false;  // hand out 1, 2, 3, ... instead of 1, 1, 1, ...

bool is_corner(int u, int v)
{
    return (u == 0 || u == grid_last) && (v == 0 || v == grid_last);
}

// Every case starts with nothing drawn and the deviates all 1.
class Generator : public testing::Test {
  protected:
    void SetUp() override
    {
        drawn = 0;
        counting = false;
    }
};

}  // namespace

// Stands in for the real deviate source.
void gauss_fill(std::int32_t& /*seed*/, std::span<float> out)
{
    for (float& g : out) {
        ++drawn;
        g = counting ? static_cast<float>(drawn) : 1.0f;
    }
}

TEST_F(Generator, FirstLevelDrawsEdgeMidpointsInOrderThenTheCentre)
{
    counting = true;
    clear_landscape(landscape);
    generate_landscape(landscape, 1);
    EXPECT_EQ(drawn, 5);
    const double sigma = displacement_scale(512);
    EXPECT_EQ(sigma, 0.3 * 512);
    EXPECT_EQ(P(256, 0), static_cast<float>(1 * sigma));
    EXPECT_EQ(P(0, 256), static_cast<float>(2 * sigma));
    EXPECT_EQ(P(512, 256), static_cast<float>(3 * sigma));
    EXPECT_EQ(P(256, 512), static_cast<float>(4 * sigma));
    // The centre averages the four new midpoints, not the corners.
    const double mid_sum = static_cast<double>(P(0, 256)) + P(256, 512) + P(256, 0) + P(512, 256);
    EXPECT_EQ(P(256, 256), static_cast<float>(5 * sigma + mid_sum * 0.25));
}

TEST_F(Generator, NineLevelsWriteEveryCellButTheCornersOnce)
{
    grow_landscape();
    // One draw per write; with every displacement positive, every written
    // cell is above 0, so 263,165 draws reaching 263,165 cells means each
    // was written exactly once.
    EXPECT_EQ(drawn, grid_cells - 4);
    int written = 0;
    for (int u = 0; u <= grid_last; ++u) {
        for (int v = 0; v <= grid_last; ++v) {
            if (is_corner(u, v)) {
                EXPECT_EQ(P(u, v), 0.0f);
            } else {
                if (P(u, v) > 0.0f) {
                    ++written;
                }
            }
        }
    }
    EXPECT_EQ(written, grid_cells - 4);
    EXPECT_EQ(height_min, 0.0f);
    EXPECT_EQ(water_level, static_cast<float>(static_cast<double>(height_max) * static_cast<double>(0.33333334f)));
}

TEST_F(Generator, LevelsOutsideOneToNineStayInsideTheGrid)
{
    clear_landscape(landscape);
    generate_landscape(landscape, 0);
    generate_landscape(landscape, -5);
    EXPECT_EQ(drawn, 0);
    EXPECT_EQ(height_max, 0.0f);
    EXPECT_EQ(water_level, 0.0f);

    generate_landscape(landscape, 40);  // the grid is full after nine
    EXPECT_EQ(drawn, grid_cells - 4);
}
