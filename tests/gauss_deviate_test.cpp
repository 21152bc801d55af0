// SPDX-License-Identifier: MIT
// Gaussian deviates from a scripted uniform source: which uniform becomes
// which deviate, how many are drawn, and which pairs are thrown away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "random_source.h"

namespace {

std::vector<float> script;  // uniform values ran1 hands out, in order
std::size_t drawn = 0;      // how many of them have been handed out

// Every case starts with nothing handed out.
class GaussDeviate : public testing::Test {
  protected:
    void SetUp() override { drawn = 0; }
};

}  // namespace

// Stands in for the real uniform source.
void ran1_fill(std::int32_t& /*seed*/, std::span<float> out)
{
    for (float& u : out) {
        u = script.at(drawn++);
    }
}

TEST_F(GaussDeviate, RejectsPairsOutsideTheCircleAndAtItsCentreThenReturnsSecondDeviateFirst)
{
    // (1, 0.5): w1 = 1 lies on the circle. (0.5, 0.5): the centre, whose
    // radius of 0 cannot be used. (0.75, 0.25): w1 = 0.5, w2 = -0.5, r = 0.5.
    script = {1.0f, 0.5f, 0.5f, 0.5f, 0.75f, 0.25f};
    std::int32_t seed = 1;
    const double f = std::sqrt(-2.0 * std::log(0.5) / 0.5);

    EXPECT_EQ(gauss_deviate(seed), static_cast<float>(-0.5 * f));
    EXPECT_EQ(drawn, 6u);
    EXPECT_EQ(gauss_deviate(seed), static_cast<float>(0.5 * f));
    EXPECT_EQ(drawn, 6u);  // the held-back deviate draws nothing

    script.push_back(0.5f);
    script.push_back(0.875f);  // w1 = 0, w2 = 0.75: accepted at once
    EXPECT_EQ(gauss_deviate(seed), static_cast<float>(0.75 * std::sqrt(-2.0 * std::log(0.5625) / 0.5625)));
    EXPECT_EQ(gauss_deviate(seed), 0.0f);
    EXPECT_EQ(drawn, 8u);
}

TEST_F(GaussDeviate, FirstUniformIsRoundedToFloatBeforeUse)
{
    // 2 * 0.2f - 1 is not a float; the first value of the pair is rounded,
    // the second is kept in double.
    const float u = 0.2f;
    script = {u, u};
    std::int32_t seed = 1;
    const double w1 = static_cast<float>(2.0 * u - 1.0);
    const double w2 = 2.0 * u - 1.0;
    ASSERT_NE(w1, w2);
    const double r = w2 * w2 + w1 * w1;
    const double f = std::sqrt(-2.0 * std::log(r) / r);
    EXPECT_EQ(gauss_deviate(seed), static_cast<float>(w2 * f));
    EXPECT_EQ(gauss_deviate(seed), static_cast<float>(w1 * f));
}

TEST_F(GaussDeviate, FillDrawsExactlyWhatOneCallAtATimeDraws)
{
    // Rejected pairs among accepted ones, and batches that end on the first
    // deviate of a pair, which is then held back for the next call.
    script = {1.0f, 0.5f, 0.75f, 0.25f, 0.5f, 0.5f, 0.5f, 0.875f, 0.0f, 0.0f, 0.6f, 0.3f};
    std::int32_t seed = 1;
    std::vector<float> one_at_a_time(5);
    for (float& g : one_at_a_time) {
        g = gauss_deviate(seed);
    }
    const std::size_t used = drawn;
    const float held_back = gauss_deviate(seed);
    EXPECT_EQ(drawn, used);

    drawn = 0;
    std::vector<float> filled(5);
    gauss_fill(seed, std::span(filled).first(2));
    gauss_fill(seed, std::span(filled).subspan(2, 3));
    EXPECT_EQ(filled, one_at_a_time);
    EXPECT_EQ(drawn, used);
    EXPECT_EQ(gauss_deviate(seed), held_back);
}
