// Keys, buttons and the idle step, called directly on the viewer state.
#include <gtest/gtest.h>

#include <string>

#include "controls.h"
#include "gl_recorder.h"
#include "landscape.h"
#include "viewer_state.h"

namespace {

void press(const std::string& keys)
{
    for (const char k : keys) {
        keyboard(static_cast<unsigned char>(k), 10, 20);
    }
}

bool same(const ViewerState& a, const ViewerState& b)
{
    return a.tilt == b.tilt && a.heading == b.heading && a.eye_height == b.eye_height && a.distance == b.distance &&
           a.heading_rate == b.heading_rate && a.tilt_rate == b.tilt_rate && a.zoom_rate == b.zoom_rate &&
           a.detail_level == b.detail_level;
}

}  // namespace

TEST(Keys, DetailLevelStepsAndStopsAtZeroAndNine)
{
    press("+");
    EXPECT_EQ(viewer.detail_level, 1);
    press("++++");
    EXPECT_EQ(viewer.detail_level, 0);
    press("-----------");
    EXPECT_EQ(viewer.detail_level, 9);
}

TEST(Keys, RatesChangeByOneWithoutLimit)
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

TEST(Keys, OtherKeysAndUpperCaseDoNothing)
{
    const ViewerState before = viewer;
    const float centre = P(256, 256);
    for (int k = 0; k < 256; ++k) {
        if (std::string("+-adwsrq").find(static_cast<char>(k)) == std::string::npos) {
            keyboard(static_cast<unsigned char>(k), 0, 0);
        }
    }
    EXPECT_TRUE(same(viewer, before));
    EXPECT_EQ(P(256, 256), centre);
}

TEST(Keys, RegrowsTheLandscapeAndKeepsTheCamera)
{
    press("ddw-");
    idle();
    const ViewerState before = viewer;
    press("r");
    EXPECT_TRUE(same(viewer, before));
    EXPECT_EQ(height_min, -254.994705f);  // the first landscape from the fixed seed
    EXPECT_EQ(water_level, -66.9479523f);
    press("r");
    EXPECT_EQ(height_min, -342.568268f);  // the sequence carries on
    EXPECT_TRUE(gl_calls.size() == 1);    // only idle asked for a redisplay
}

TEST(Mouse, HeldButtonsSetTheZoomAndAnyReleaseStopsIt)
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

TEST(Idle, AppliesHeadingDistanceAndTiltRatesWithoutLimits)
{
    viewer.heading_rate = 1000.0f;
    viewer.tilt_rate = 50.0f;
    viewer.zoom_rate = -0.5f;
    for (int i = 0; i < 10; ++i) {
        idle();
    }
    EXPECT_EQ(viewer.heading, 10045.0f);
    EXPECT_EQ(viewer.tilt, 545.0f);  // far past 90, never wrapped
    EXPECT_EQ(viewer.distance, -3.0f);
    EXPECT_EQ(gl_calls.size(), 10u);
    EXPECT_STREQ(gl_calls.back().name, "glutPostRedisplay");
}

TEST(QuitDeathTest, QKeyAndMiddleButtonExitWithZero)
{
    EXPECT_EXIT(press("q"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(mouse(1, 0, 5, 5), testing::ExitedWithCode(0), "");
    mouse(1, 1, 5, 5);  // releasing it only stops the zoom
    EXPECT_EQ(viewer.zoom_rate, 0.0f);
}
