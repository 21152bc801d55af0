// SPDX-License-Identifier: MIT
// Landscapes grown from the fixed seed: exact heights, statistics and whole
// grid checksums, identical from every build, and a long run of
// regenerations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "landscape.h"

namespace {

// FNV-1a over the bit patterns of every height.
std::uint64_t grid_checksum(const Grid& grid)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const float x : grid) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &x, sizeof bits);  // not std::bit_cast: the browser's C++ library lacks it
        for (int i = 0; i < 4; ++i) {
            h = (h ^ ((bits >> (8 * i)) & 0xffu)) * 1099511628211ull;
        }
    }
    return h;
}

struct Expected {
    float min, max, water, centre;
    std::uint64_t checksum;
};

}  // namespace

TEST(Landscape, FirstThreeLandscapesFromSeed42AreExactFromProcessStart)
{
    const Expected expected[] = {
        {-254.994705f, 309.145569f, -66.9479523f, 192.124435f, 0x2c53bd6b7889bcc8ull},
        {-342.568268f, 262.621094f, -140.838486f, 43.4511261f, 0x40d44db1f6424177ull},
        {-325.159271f, 166.168823f, -161.38324f, -252.770599f, 0xfabb89bdd30798c9ull},
    };
    for (const Expected& e : expected) {
        grow_landscape();
        EXPECT_EQ(height_min, e.min);
        EXPECT_EQ(height_max, e.max);
        EXPECT_EQ(water_level, e.water);
        EXPECT_EQ(P(256, 256), e.centre);
        EXPECT_EQ(grid_checksum(landscape), e.checksum);
    }
}

TEST(Landscape, ThousandRegenerationsStayFiniteOrderedAndDistinct)
{
    std::uint64_t previous = 0;
    for (int i = 0; i < 1000; ++i) {
        grow_landscape();
        const std::uint64_t sum = grid_checksum(landscape);
        ASSERT_NE(sum, previous) << "landscape " << i << " repeats the one before";
        previous = sum;
        for (const float h : landscape) {
            ASSERT_TRUE(std::isfinite(h)) << "landscape " << i;
        }
        ASSERT_LE(height_min, 0.0f);
        ASSERT_GE(height_max, 0.0f);
        const double third_up = (2.0 * height_min + height_max) / 3.0;
        ASSERT_NEAR(water_level, third_up, 1e-4 * (height_max - height_min)) << "landscape " << i;
    }
}
