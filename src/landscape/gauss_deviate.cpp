// SPDX-License-Identifier: MIT
// Standard normal deviates by the polar method, from pairs of uniform
// deviates. Kept apart from the uniform source so that each can be checked
// alone.
#include <algorithm>
#include <array>
#include <cmath>

#include "random_source.h"

namespace {

bool gauss_pending = false;     // a deviate of the last accepted pair is still to be returned
float gauss_pending_value = 0;  // that deviate

constexpr std::size_t batch_pairs = 256;  // pairs of uniforms drawn at a time

// One pair of uniforms made into the polar method's point: w1 rounded to
// float, w2 kept in double, and the squared radius.
struct PolarPoint {
    float w1;
    double w2;
    double r;
};

PolarPoint polar_point(float u1, float u2)
{
    const float w1 = static_cast<float>(2.0 * static_cast<double>(u1) - 1.0);
    const double w2 = 2.0 * static_cast<double>(u2) - 1.0;
    return {w1, w2, w2 * w2 + static_cast<double>(w1) * static_cast<double>(w1)};
}

// A point outside the unit circle is thrown away. So is one at its centre
// (both uniforms exactly 0.5), whose radius of 0 would divide by zero.
bool accepted(const PolarPoint& p)
{
    return p.r < 1.0 && p.r != 0.0;
}

double polar_factor(double r)
{
    return std::sqrt(-2.0 * std::log(r) / r);
}

}  // namespace

void gauss_fill(std::int32_t& seed, std::span<float> out)
{
    std::size_t k = 0;
    if (!out.empty() && gauss_pending) {
        gauss_pending = false;
        out[k++] = gauss_pending_value;
    }
    std::array<float, 2 * batch_pairs> uniforms;  // written before read, so left uninitialised
    std::array<PolarPoint, batch_pairs> points;
    while (k < out.size()) {
        // Never more pairs than deviates still wanted, so that the sequence
        // is the same whatever the sizes of the batches asked for.
        const std::size_t pairs = std::min((out.size() - k + 1) / 2, batch_pairs);
        ran1_fill(seed, std::span(uniforms.data(), 2 * pairs));
        std::size_t kept = 0;
        for (std::size_t i = 0; i < pairs; ++i) {
            points[kept] = polar_point(uniforms[2 * i], uniforms[2 * i + 1]);
            kept += accepted(points[kept]) ? 1 : 0;
        }
        // Independent of each other, so the logarithms and roots overlap.
        for (std::size_t i = 0; i < kept; ++i) {
            const double f = polar_factor(points[i].r);
            out[k++] = static_cast<float>(points[i].w2 * f);
            const auto second = static_cast<float>(static_cast<double>(points[i].w1) * f);
            if (k < out.size()) {
                out[k++] = second;
            } else {
                gauss_pending_value = second;
                gauss_pending = true;
            }
        }
    }
}
