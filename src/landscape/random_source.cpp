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

constexpr double inverse_first_modulus = 1.0 / 259200.0;   // scales the first state to [0, 1)
constexpr double inverse_second_modulus = 1.0 / 134456.0;  // scales the second state below one step of the first
constexpr int table_size = 97;                             // shuffle slots, used from index 1

std::int32_t first_state = 0;                       // first generator, builds the value's high part
std::int32_t second_state = 0;                      // second generator, builds the value's low part
std::int32_t third_state = 0;                       // third generator, picks the shuffle slot
std::array<float, table_size + 1> shuffle_table{};  // uniform values waiting to be returned; slot 0 unused
bool ran1_initialised = false;                      // the table has been filled at least once
bool states_non_negative = false;                   // every state is >= 0, and so stays: the fast path holds

// One step of a generator. Remainders keep the dividend's sign, as C++ '%'
// does, which a seed above 54773 makes matter; every product stays below
// 2^31 in magnitude.
std::int32_t step(const Congruence& g, std::int32_t x)
{
    return (g.multiplier * x + g.increment) % g.modulus;
}

// The same step for a state known to be non-negative, where the unsigned
// remainder is equal and cheaper.
std::int32_t step_non_negative(const Congruence& g, std::int32_t x)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(g.multiplier) * static_cast<std::uint32_t>(x) +
                                      static_cast<std::uint32_t>(g.increment)) %
                                     static_cast<std::uint32_t>(g.modulus));
}

// One step of all three generators while their states are non-negative.
void step_all_non_negative(std::int32_t& first, std::int32_t& second, std::int32_t& third)
{
    first = step_non_negative(first_lcg, first);
    second = step_non_negative(second_lcg, second);
    third = step_non_negative(third_lcg, third);
}

// The shuffle slot a non-negative third state picks: always 1 to 97.
std::size_t slot_of(std::int32_t third)
{
    return 1 + static_cast<std::size_t>(static_cast<std::uint32_t>(table_size * third) /
                                        static_cast<std::uint32_t>(third_lcg.modulus));
}

// A uniform value from states of the first two generators, rounded to float.
float uniform_from(std::int32_t first, std::int32_t second)
{
    return static_cast<float>((static_cast<double>(first) + static_cast<double>(second) * inverse_second_modulus) *
                              inverse_first_modulus);
}

float fresh_uniform()
{
    return uniform_from(first_state, second_state);
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
        shuffle_table[j] = fresh_uniform();
    }
    // Non-negative states step to non-negative states.
    states_non_negative = first_state >= 0 && second_state >= 0 && third_state >= 0;
    seed = 1;
}

// The shuffle slot, 1 to 97 while the states are non-negative.
int next_slot()
{
    if (states_non_negative) {
        step_all_non_negative(first_state, second_state, third_state);
        return static_cast<int>(slot_of(third_state));
    }
    first_state = step(first_lcg, first_state);
    second_state = step(second_lcg, second_state);
    third_state = step(third_lcg, third_state);
    return 1 + (table_size * third_state) / third_lcg.modulus;
}

}  // namespace

float ran1(std::int32_t& seed)
{
    if (seed < 0 || !ran1_initialised) {
        initialise(seed);
    }
    const int j = next_slot();
    if (j > table_size || j < 1) {
        // Only a seed that drives a state negative gets here.
        std::fputs("RAN1: This cannot happen.", stdout);
        std::exit(EXIT_FAILURE);
    }
    const float result = shuffle_table[j];
    shuffle_table[j] = fresh_uniform();
    return result;
}

void ran1_fill(std::int32_t& seed, std::span<float> out)
{
    std::size_t k = 0;
    // Initialisation, and states that may go negative, take the general path.
    while (k < out.size() && (seed < 0 || !ran1_initialised || !states_non_negative)) {
        out[k++] = ran1(seed);
    }
    // Non-negative states, kept in registers: the slot is always in range.
    std::int32_t first = first_state;
    std::int32_t second = second_state;
    std::int32_t third = third_state;
    for (; k < out.size(); ++k) {
        step_all_non_negative(first, second, third);
        const std::size_t j = slot_of(third);
        out[k] = shuffle_table[j];
        shuffle_table[j] = uniform_from(first, second);
    }
    first_state = first;
    second_state = second;
    third_state = third;
}
