// SPDX-License-Identifier: MIT
// Portable random source: a three-generator uniform deviate with a shuffle
// table, and standard normal deviates made from it by the polar method.
// Values come in batches, which keeps the generators' states in registers;
// ran1 and gauss_deviate are batches of one.
#pragma once

#include <cstdint>
#include <span>

// Fills `out` with the next uniform deviates, each in [0, 1]. A negative
// seed, or the first call of the process, (re)initialises the generators and
// the table from the seed and then sets the seed to 1.
void ran1_fill(std::int32_t& seed, std::span<float> out);

// Fills `out` with the next standard normal deviates (mean 0, variance 1).
// Deviates come in pairs; one left over from the last pair is held back for
// the next call.
void gauss_fill(std::int32_t& seed, std::span<float> out);

// One uniform deviate.
inline float ran1(std::int32_t& seed)
{
    float u = 0;
    ran1_fill(seed, std::span(&u, 1));
    return u;
}

// One standard normal deviate.
inline float gauss_deviate(std::int32_t& seed)
{
    float g = 0;
    gauss_fill(seed, std::span(&g, 1));
    return g;
}
