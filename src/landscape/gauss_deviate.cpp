// Standard normal deviates by the polar method, from pairs of uniform
// deviates of ran1. Kept apart from ran1 so that each can be checked alone.
#include <cmath>

#include "random_source.h"

namespace {

bool gauss_pending = false;     // a deviate of the last accepted pair is still to be returned
float gauss_pending_value = 0;  // that deviate

}  // namespace

float gauss_deviate(std::int32_t& seed)
{
    if (gauss_pending) {
        gauss_pending = false;
        return gauss_pending_value;
    }
    float w1 = 0;
    double w2 = 0;
    double r = 0;
    // A pair outside the unit circle is thrown away whole. So is a pair at
    // its centre (both uniforms exactly 0.5), whose radius of 0 would divide
    // by zero below.
    do {
        w1 = static_cast<float>(2.0 * static_cast<double>(ran1(seed)) - 1.0);
        w2 = 2.0 * static_cast<double>(ran1(seed)) - 1.0;
        r = w2 * w2 + static_cast<double>(w1) * static_cast<double>(w1);
    } while (r >= 1.0 || r == 0.0);
    const double f = std::sqrt(-2.0 * std::log(r) / r);
    gauss_pending_value = static_cast<float>(static_cast<double>(w1) * f);
    gauss_pending = true;
    return static_cast<float>(w2 * f);
}
