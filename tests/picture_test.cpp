// SPDX-License-Identifier: MIT
// Frames drawn by the real GL implementation (Mesa) on a private Xvfb
// display, from known viewer states and landscapes, probed pixel by pixel.
// Each probe has a negative control: the same frame drawn with the feature
// under test switched off, on which the probe must fail.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "controls.h"
#include "gl_recorder.h"
#include "gl_window.h"
#include "landscape.h"
#include "render.h"
#include "viewer_state.h"
#include "window.h"

namespace {

constexpr int width = window_width;  // pixels
constexpr int height = window_height;

Picture frame;  // the back buffer as the last frame left it

struct Rgb {
    int r, g, b;
};

Rgb pixel(int x, int y_from_top)
{
    const std::uint8_t* p = frame.at(x, y_from_top);
    return {p[0], p[1], p[2]};
}

bool near(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::ostream& operator<<(std::ostream& o, Rgb c)
{
    return o << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

// Draws one frame with `off` switched off and returns the probed pixels.
std::vector<Rgb> draw(std::set<GLenum> off, const std::vector<std::pair<int, int>>& probes)
{
    gl_withheld = std::move(off);
    display();
    std::vector<Rgb> out;
    out.reserve(probes.size());
    for (const auto& [x, y] : probes) {
        out.push_back(pixel(x, y));
    }
    return out;
}

void fill(float (*height_at)(int u, int v))
{
    for (int u = 0; u <= grid_last; ++u) {
        for (int v = 0; v <= grid_last; ++v) {
            landscape[cell_index(u, v)] = height_at(u, v);
        }
    }
}

// Keeps the back buffer, as a frame leaves it just before the swap.
void read_frame()
{
    frame = read_back_buffer();
}

class Pictures : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        server = new VirtualDisplay();
        open_viewer_window(*server, "picture_test");
        gl_before_swap = read_frame;
    }
    static void TearDownTestSuite()
    {
        glutExit();  // lets go of the display before the server goes
        delete server;
    }
    void SetUp() override { viewer = ViewerState{}; }

    static VirtualDisplay* server;
};

VirtualDisplay* Pictures::server = nullptr;

// A flat plane at height 0 seen from a tilt of 30 degrees with heading 0:
// its near edge lies about 1.35 scene units from the eye, its far edge 2.65.
void flat_scene()
{
    clear_landscape(landscape);
    height_min = -1.0f;
    height_max = 1.0f;
    water_level = -0.5f;
    viewer.tilt = 30.0f;
    viewer.heading = 0.0f;
}

constexpr std::pair<int, int> sky{300, 20};
constexpr std::pair<int, int> near_ground{300, 360};  // eye distance about 1.4
constexpr std::pair<int, int> far_ground{300, 249};   // eye distance about 2.55
constexpr Rgb fog_grey{128, 128, 128};

}  // namespace

TEST_F(Pictures, SkyIsBlackAndNearGroundUnfoggedWhileFarGroundIsFogGrey)
{
    flat_scene();
    const auto fogged = draw({}, {sky, near_ground, far_ground});
    const auto clear = draw({GL_FOG}, {sky, near_ground, far_ground});
    EXPECT_TRUE(near(fogged[0], {0, 0, 0}, 0)) << fogged[0];
    EXPECT_FALSE(near(fogged[1], {0, 0, 0}, 8)) << "control: the ground is not the sky";
    // Lit by ambient 0.3 and diffuse 2/3: about 0.97 of (0.4, 0.4, 0.2).
    EXPECT_TRUE(near(fogged[1], {99, 99, 49}, 6)) << fogged[1];
    EXPECT_TRUE(near(fogged[1], clear[1], 2)) << fogged[1] << clear[1];
    EXPECT_TRUE(near(fogged[2], fog_grey, 3)) << fogged[2];
    EXPECT_FALSE(near(clear[2], fog_grey, 3)) << "control: without fog the far ground keeps its colour " << clear[2];

    // Zoomed far out the whole landscape is a fog-grey silhouette, until it
    // lies past the far clipping plane at 60.
    const std::pair<int, int> centre{300, 262};
    viewer.distance = 10.0f;
    const Rgb distant = draw({}, {centre})[0];
    viewer.distance = 62.0f;
    const Rgb beyond = draw({}, {centre})[0];
    EXPECT_TRUE(near(distant, fog_grey, 3)) << distant;
    EXPECT_TRUE(near(beyond, {0, 0, 0}, 0)) << "control: past the far plane nothing is drawn " << beyond;
}

TEST_F(Pictures, WaterAboveTheGroundBlendsHalfAndHalfWithIt)
{
    flat_scene();
    const Rgb ground = draw({}, {near_ground})[0];
    water_level = 20.0f;
    const Rgb blended = draw({}, {near_ground})[0];
    const Rgb opaque = draw({GL_BLEND}, {near_ground})[0];
    EXPECT_GT(opaque.b, 2 * opaque.r) << opaque;
    const Rgb half{(ground.r + opaque.r) / 2, (ground.g + opaque.g) / 2, (ground.b + opaque.b) / 2};
    EXPECT_TRUE(near(blended, half, 3)) << blended << half;
    EXPECT_FALSE(near(opaque, half, 3)) << "control: unblended water hides the ground";
    EXPECT_FALSE(near(blended, ground, 3)) << "control: the water shows";
}

TEST_F(Pictures, SlopeTurnedFromTheLightIsLitByAmbientAlone)
{
    // Heights fall by a quarter unit per unit of u: at step 4 the normal is
    // (2, 0, 1), square to the light direction (-0.5, -1, 1).
    fill([](int u, int) { return -0.25f * static_cast<float>(u - 256); });
    height_min = -64.0f;
    height_max = 64.0f;
    water_level = -100.0f;
    viewer.distance = 1.2f;
    viewer.heading = 0.0f;
    const std::pair<int, int> centre{300, 300};
    const Rgb lit = draw({}, {centre})[0];
    const Rgb unlit = draw({GL_LIGHTING}, {centre})[0];
    // Global ambient 0.2 plus the light's 0.1.
    const Rgb ambient{unlit.r * 3 / 10, unlit.g * 3 / 10, unlit.b * 3 / 10};
    EXPECT_TRUE(near(lit, ambient, 4)) << lit << unlit;
    EXPECT_FALSE(near(unlit, ambient, 4)) << "control: without lighting the slope keeps its full colour";
}

TEST_F(Pictures, LowestGroundIsGreenAndHighestWhite)
{
    grow_landscape();
    water_level = height_min - 1.0f;  // keep the low ground out of the water
    viewer.tilt = 90.0f;              // straight down
    viewer.heading = 0.0f;
    viewer.distance = 3.0f;
    viewer.eye_height = 0.0f;
    viewer.detail_level = 0;
    // Where the lowest and highest points away from the edges land in the
    // window: an edge point may fall just outside the last pixel it covers.
    const auto on_screen = [](bool highest) {
        int best_u = 256, best_v = 256;
        for (int u = 8; u <= grid_last - 8; ++u) {
            for (int v = 8; v <= grid_last - 8; ++v) {
                if (highest ? P(u, v) > P(best_u, best_v) : P(u, v) < P(best_u, best_v)) {
                    best_u = u;
                    best_v = v;
                }
            }
        }
        const double s = landscape_scale;
        const double depth = 3.0 - P(best_u, best_v) * s;
        const double x = (best_u - 256) * s / depth, y = (best_v - 256) * s / depth;
        return std::pair<int, int>{static_cast<int>((x + 1) / 2 * width), static_cast<int>((1 - y) / 2 * height)};
    };
    const auto low = on_screen(false);
    const auto high = on_screen(true);
    const auto is_green = [](Rgb c) {
        return c.g > c.r + 20 && c.g > c.b + 20;
    };
    const auto is_white = [](Rgb c) {
        return c.r > 150 && std::abs(c.r - c.g) < 12 && std::abs(c.r - c.b) < 12;
    };
    const auto seen = draw({GL_FOG}, {low, high});
    EXPECT_TRUE(is_green(seen[0])) << seen[0];
    EXPECT_TRUE(is_white(seen[1])) << seen[1];
    EXPECT_FALSE(is_green(seen[1])) << "control: the peak is not green";
    EXPECT_FALSE(is_white(seen[0])) << "control: the low ground is not white";
}

TEST_F(Pictures, ExtremeViewerStatesDrawAFrame)
{
    grow_landscape();
    // Turned and tilted far past a full circle, the eye at, inside and far
    // beyond the landscape, at the finest and coarsest detail.
    const ViewerState extremes[] = {
        {1e7f, -3e6f, 0.25f, 2.0f, 5000.0f, -5000.0f, 0.0f, 0},
        {725.0f, 45.0f, 0.25f, 0.0f, 1.0f, 0.0f, -0.02f, 9},
        {45.0f, 45.0f, 0.25f, -40.0f, 1.0f, 0.0f, 0.02f, 0},
        {45.0f, 45.0f, 0.25f, 3e30f, 1.0f, 0.0f, 0.02f, 9},
    };
    for (const ViewerState& v : extremes) {
        viewer = v;
        frame = Picture{};
        display();
        EXPECT_EQ(frame.rgb.size(), 3 * static_cast<std::size_t>(width) * height);
    }
    viewer = ViewerState{};
    display();
    EXPECT_FALSE(near(pixel(300, 300), {0, 0, 0}, 8)) << "the landscape is back in view";
}

// The first two frames of the first landscape: the start-up view, and the
// view after one idle call. With VENDRASK_STARTUP_FRAMES set they are also
// written there, one above the other as one binary PPM, and below them the
// view after one more idle call, held still, at detail levels 0 to 4, and at
// level 2 once more with the next landscape ("r"): the web page's test
// compares the page's frames with these.
TEST_F(Pictures, FirstTwoFramesOfTheFirstLandscapeFromProcessStart)
{
    grow_landscape();
    display();
    const Picture first = frame;
    EXPECT_TRUE(near(pixel(300, 20), {0, 0, 0}, 0)) << "sky";
    EXPECT_FALSE(near(pixel(300, 300), {0, 0, 0}, 8)) << "the landscape";
    idle();
    display();
    EXPECT_FALSE(frame == first) << "the view turns";
    if (const char* path = std::getenv("VENDRASK_STARTUP_FRAMES")) {
        std::vector<Picture> frames{first, frame};
        idle();
        viewer.heading_rate = 0.0f;
        for (viewer.detail_level = finest_detail; viewer.detail_level <= 4; ++viewer.detail_level) {
            display();
            frames.push_back(frame);
        }
        viewer.detail_level = 2;
        grow_landscape();
        display();
        frames.push_back(frame);
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << width << ' ' << frames.size() * height << "\n255\n";
        for (const Picture& p : frames) {
            out.write(reinterpret_cast<const char*>(p.rgb.data()), static_cast<std::streamsize>(p.rgb.size()));
        }
        ASSERT_TRUE(out.good()) << path;
    }
}
