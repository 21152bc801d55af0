// SPDX-License-Identifier: MIT
// Portable random source. Everything is 32-bit integer arithmetic plus a few
// multiplications by fixed double constants, so the sequence is the same on
// every machine and from every build.
#include "random_source.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

// One linear congruential generator, x' = (a x + c) mod m.
struct Congruence {
    std::int32_t multiplier;
    std::int32_t increment;
    std::int32_t modulus;
};

constexpr Congruence first_lcg{7141, 54773, 259200};
constexpr Congruence second_lcg{8121, 28411, 134456};
constexpr Congruence third_lcg{4561, 51349, 243000};

constexpr double inverse_first_modulus = 1.0 / first_lcg.modulus;  // scales the first state to [0, 1)
constexpr double inverse_second_modulus =
    1.0 / second_lcg.modulus;   // scales the second state below one step of the first
constexpr int table_size = 97;  // shuffle slots, used from index 1

std::int32_t first_state = 0;                       // first generator, builds the value's high part
std::int32_t second_state = 0;                      // second generator, builds the value's low part
std::int32_t third_state = 0;                       // third generator, picks the shuffle slot
std::array<float, table_size + 1> shuffle_table{};  // uniform values waiting to be returned; slot 0 unused
bool ran1_initialised = false;                      // the table has been filled at least once

// One step of a generator, in the integer type T. Signed remainders keep the
// dividend's sign, as C++ '%' does, which a seed above 54773 makes matter;
// for non-negative states unsigned arithmetic gives the same result more
// cheaply. Every product stays below 2^31 in magnitude.
template <typename T> T step(const Congruence& g, T x)
{
    return (static_cast<T>(g.multiplier) * x + static_cast<T>(g.increment)) % static_cast<T>(g.modulus);
}

// A uniform value from states of the first two generators, rounded to float.
float uniform_from(std::int32_t first, std::int32_t second)
{
    return static_cast<float>((static_cast<double>(first) + static_cast<double>(second) * inverse_second_modulus) *
                              inverse_first_modulus);
}

void initialise(std::int32_t& seed)
{
    ran1_initialised = true;
    // Worked in 64 bits so that a seed near the bottom of the 32-bit range
    // cannot overflow; the remainder brings it back within the modulus.
    first_state = static_cast<std::int32_t>((std::int64_t{first_lcg.increment} - seed) % first_lcg.modulus);
    first_state = step(first_lcg, first_state);
    second_state = first_state % second_lcg.modulus;
    first_state = step(first_lcg, first_state);
    third_state = first_state % third_lcg.modulus;
    for (int j = 1; j <= table_size; ++j) {
        first_state = step(first_lcg, first_state);
        second_state = step(second_lcg, second_state);
        shuffle_table[j] = uniform_from(first_state, second_state);
    }
    seed = 1;
}

// Only a seed that drives a state negative can pick a slot out of range.
[[noreturn]] void fail()
{
    std::fputs("RAN1: This cannot happen.", stdout);
    std::exit(EXIT_FAILURE);
}

// Fills `out`, the generators' states held in T while it does.
template <typename T> void draw(std::span<float> out)
{
    auto first = static_cast<T>(first_state);
    auto second = static_cast<T>(second_state);
    auto third = static_cast<T>(third_state);
    for (float& value : out) {
        first = step(first_lcg, first);
        second = step(second_lcg, second);
        third = step(third_lcg, third);
        // Each value returned was made earlier, in the slot the third
        // generator picks; a fresh one takes its place.
        const T j = 1 + (static_cast<T>(table_size) * third) / static_cast<T>(third_lcg.modulus);
        if (j > static_cast<T>(table_size) || j < 1) {
            fail();
        }
        value = shuffle_table[static_cast<std::size_t>(j)];
        shuffle_table[static_cast<std::size_t>(j)] =
            uniform_from(static_cast<std::int32_t>(first), static_cast<std::int32_t>(second));
    }
    first_state = static_cast<std::int32_t>(first);
    second_state = static_cast<std::int32_t>(second);
    third_state = static_cast<std::int32_t>(third);
}

}  // namespace

void ran1_fill(std::int32_t& seed, std::span<float> out)
{
    if (seed < 0 || !ran1_initialised) {
        initialise(seed);
    }
    // Non-negative states step to non-negative states.
    if (first_state >= 0 && second_state >= 0 && third_state >= 0) {
        draw<std::uint32_t>(out);
    } else {
        draw<std::int32_t>(out);
    }
}
