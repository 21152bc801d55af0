// Portable random source: a three-generator uniform deviate with a shuffle
// table, and standard normal deviates made from it by the polar method.
#pragma once

#include <cstdint>
#include <span>

// One uniform deviate in [0, 1]. A negative seed, or the first call of the
// process, (re)initialises the generators and the table from the seed and
// then sets the seed to 1.
float ran1(std::int32_t& seed);

// Fills `out` with the next values of ran1, exactly as that many calls
// would, in less time.
void ran1_fill(std::int32_t& seed, std::span<float> out);

// One standard normal deviate (mean 0, variance 1); deviates come in pairs,
// the second of each pair held back for the next call.
float gauss_deviate(std::int32_t& seed);

// Fills `out` with the next deviates, exactly as that many calls of
// gauss_deviate would (a deviate left over from the last pair is held back
// for the next call), in less time.
void gauss_fill(std::int32_t& seed, std::span<float> out);
