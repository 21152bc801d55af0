// SPDX-License-Identifier: MIT
// Keys, buttons and the idle step, called directly on the viewer state.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "controls.h"
#include "gl_recorder.h"
#include "landscape.h"
#include "viewer_state.h"

// The page's "Stop motion" (web/gl/motion.cpp), whose keys reach the
// keyboard callback here as the page's GLUT hands them on.
extern "C" bool vendrask_still();
extern "C" bool vendrask_stop_motion();
extern "C" void vendrask_key(int character)
{
    keyboard(static_cast<unsigned char>(character), 0, 0);
}

namespace {

void press(const std::string& keys)
{
    for (const char k : keys) {
        keyboard(static_cast<unsigned char>(k), 10, 20);
    }
}

// Every case starts from the viewer at its starting values.
class Controls : public testing::Test {
  protected:
    void SetUp() override
    {
        viewer = ViewerState{};
        gl_calls.clear();
    }
};

}  // namespace

TEST_F(Controls, DetailLevelStepsAndStopsAtZeroAndNine)
{
    press("+");
    EXPECT_EQ(viewer.detail_level, 1);
    press("++++");
    EXPECT_EQ(viewer.detail_level, 0);
    press("-----------");
    EXPECT_EQ(viewer.detail_level, coarsest_detail);
}

TEST_F(Controls, RatesChangeByOneWithoutLimit)
{
    press("a");
    EXPECT_EQ(viewer.heading_rate, 0.0f);  // the turn stops
    press("a");
    EXPECT_EQ(viewer.heading_rate, -1.0f);  // and reverses
    press("ddddd");
    EXPECT_EQ(viewer.heading_rate, 4.0f);
    press("wwws");
    EXPECT_EQ(viewer.tilt_rate, 2.0f);
    press(std::string(500, 's'));
    EXPECT_EQ(viewer.tilt_rate, -498.0f);
}

// As the page asks after every key it hands on: it gives back the last
// turning and tilting that moved the landscape, however the keys stilled it.
TEST_F(Controls, StopMotionStopsTurningAndTiltingAndGivesBackWhatLastMovedIt)
{
    const auto type = [](const std::string& keys) {
        for (const char k : keys) {
            press(std::string(1, k));
            vendrask_still();
        }
        return std::pair{viewer.heading_rate, viewer.tilt_rate};
    };
    EXPECT_EQ(type("ddw-"), std::pair(3.0f, 1.0f));
    EXPECT_TRUE(vendrask_stop_motion() && type("") == std::pair(0.0f, 0.0f));
    EXPECT_FALSE(vendrask_stop_motion());
    EXPECT_EQ(type(""), std::pair(3.0f, 1.0f)) << "not the rates it stopped";
    EXPECT_EQ(viewer.detail_level, 3);
    EXPECT_TRUE(vendrask_stop_motion());
    EXPECT_TRUE(type("aaasss") == std::pair(-3.0f, -3.0f) && !vendrask_still());
    EXPECT_EQ(type("dddww"), std::pair(0.0f, -1.0f));
    EXPECT_TRUE(type("w") == std::pair(0.0f, 0.0f) && vendrask_still()) << "stilled by keys, it is still";
    EXPECT_FALSE(vendrask_stop_motion());
    EXPECT_EQ(type(""), std::pair(0.0f, -1.0f));
}

TEST_F(Controls, OtherKeysAndUpperCaseDoNothing)
{
    const ViewerState before = viewer;
    const float centre = P(256, 256);
    for (int k = 0; k < 256; ++k) {
        if (std::string("+-adwsrq").find(static_cast<char>(k)) == std::string::npos) {
            keyboard(static_cast<unsigned char>(k), 0, 0);
        }
    }
    EXPECT_EQ(viewer, before);
    EXPECT_EQ(P(256, 256), centre);
}

TEST_F(Controls, RegrowsTheLandscapeAndKeepsTheCameraFromProcessStart)
{
    press("ddw-");
    idle();
    const ViewerState before = viewer;
    press("r");
    EXPECT_EQ(viewer, before);
    EXPECT_EQ(height_min, -254.994705f);  // the first landscape from the fixed seed
    EXPECT_EQ(water_level, -66.9479523f);
    press("r");
    EXPECT_EQ(height_min, -342.568268f);  // the sequence carries on
    EXPECT_TRUE(gl_calls.size() == 1);    // only idle asked for a redisplay
}

TEST_F(Controls, HeldButtonsSetTheZoomAndAnyReleaseStopsIt)
{
    mouse(0, 0, 0, 0);
    EXPECT_EQ(viewer.zoom_rate, -0.02f);
    mouse(2, 0, 0, 0);
    EXPECT_EQ(viewer.zoom_rate, 0.02f);
    mouse(0, 1, 0, 0);
    EXPECT_EQ(viewer.zoom_rate, 0.0f);
    mouse(2, 0, 0, 0);
    mouse(4, 1, 0, 0);  // a wheel step reports a press and a release
    EXPECT_EQ(viewer.zoom_rate, 0.0f);
    mouse(0, 0, 0, 0);
    mouse(3, 0, 0, 0);
    EXPECT_EQ(viewer.zoom_rate, -0.02f);
}

TEST_F(Controls, IdleAppliesRatesAndKeepsAnglesWithinOneTurnForever)
{
    viewer.heading_rate = 1000.0f;
    viewer.tilt_rate = -50.0f;
    viewer.zoom_rate = -0.5f;
    for (int i = 0; i < 10; ++i) {
        idle();
    }
    // 10045 and -455 degrees, less whole turns; the distance is not limited.
    EXPECT_EQ(viewer.heading, 325.0f);
    EXPECT_EQ(viewer.tilt, -95.0f);
    EXPECT_EQ(viewer.distance, -3.0f);
    EXPECT_EQ(gl_calls.size(), 10u);
    EXPECT_STREQ(gl_calls.back().name, "glutPostRedisplay");

    // Far past 2^24 degrees turned, where a growing float angle would stand
    // still, every call still turns by the rate.
    viewer.heading_rate = 1.0f;
    viewer.tilt_rate = 0.25f;
    for (int i = 0; i < 17'000'000; ++i) {
        const float heading = viewer.heading;
        const float tilt = viewer.tilt;
        viewer.heading_rate = i == 50'000 ? 4000.0f : 1.0f;  // one call that turns more than once
        gl_calls.clear();
        idle();
        ASSERT_EQ(std::fmod(viewer.heading - heading + 720.0f, 360.0f), std::fmod(viewer.heading_rate, 360.0f)) << i;
        ASSERT_EQ(viewer.tilt - tilt, viewer.tilt < tilt ? 0.25f - 360.0f : 0.25f) << i;
        ASSERT_LT(std::abs(viewer.heading), 360.0f);
    }
}

TEST_F(Controls, QKeyAndMiddleButtonExitWithZero)
{
    EXPECT_EXIT(press("q"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(mouse(1, 0, 5, 5), testing::ExitedWithCode(0), "");
    mouse(1, 1, 5, 5);  // releasing it only stops the zoom
    EXPECT_EQ(viewer.zoom_rate, 0.0f);
}
