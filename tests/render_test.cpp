// SPDX-License-Identifier: MIT
// What the frame and mesh code send to GL, through the recording layer: the
// strip layout, vertex order, normals, ramp colours and the frame's calls.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <fenv.h>

#include <array>
#include <string>
#include <vector>

#include "gl_recorder.h"
#include "landscape.h"
#include "render.h"
#include "viewer_state.h"

namespace {

float& at(int u, int v)
{
    return landscape[cell_index(u, v)];
}

// Vertex counts of the strips drawn at `level`.
std::vector<int> strips_at(int level)
{
    viewer.detail_level = level;
    gl_calls.clear();
    draw_landscape();
    std::vector<int> strips;
    for (const GlCall& c : gl_calls) {
        const std::string name = c.name;
        if (name == "glBegin") {
            EXPECT_EQ(c.e[0], static_cast<unsigned>(GL_TRIANGLE_STRIP));
            strips.push_back(0);
        } else if (name == "glVertex3f") {
            ++strips.back();
        }
    }
    return strips;
}

std::vector<std::string> calls_named(const char* name)
{
    std::vector<std::string> out;
    for (const GlCall& c : gl_calls) {
        if (std::string(c.name) == name) {
            out.push_back(describe(c));
        }
    }
    return out;
}

// The normal issued for (u, v) at step s.
std::string normal_at(int u, int v, int s)
{
    gl_calls.clear();
    vertex_normal(u, v, s);
    return describe(gl_calls.at(0));
}

std::string colour_of(float h)
{
    gl_calls.clear();
    height_colour(h);
    return describe(gl_calls.at(0));
}

}  // namespace

TEST(Mesh, StripCountsAndLengthsFollowTheDetailLevel)
{
    EXPECT_EQ(strips_at(2), std::vector<int>(128, 258));
    EXPECT_EQ(strips_at(0), std::vector<int>(512, 1026));
    EXPECT_EQ(strips_at(9), std::vector<int>(1, 4));
    EXPECT_EQ(strips_at(-3), std::vector<int>(512, 1026));  // clamped to a step of 1
    EXPECT_EQ(strips_at(30), std::vector<int>(1, 4));       // clamped to a step of 512
}

TEST(Mesh, StripRunsAlongUAlternatingRows)
{
    clear_landscape(landscape);
    at(128, 256) = 7.0f;
    strips_at(7);  // step 128: four strips of ten vertices
    const std::vector<std::string> v = calls_named("glVertex3f");
    ASSERT_EQ(v.size(), 40u);
    const std::vector<std::string> third_strip(v.begin() + 20, v.begin() + 30);
    EXPECT_EQ(third_strip,
              (std::vector<std::string>{"glVertex3f(0, 256, 0)", "glVertex3f(0, 384, 0)", "glVertex3f(128, 256, 7)",
                                        "glVertex3f(128, 384, 0)", "glVertex3f(256, 256, 0)", "glVertex3f(256, 384, 0)",
                                        "glVertex3f(384, 256, 0)", "glVertex3f(384, 384, 0)", "glVertex3f(512, 256, 0)",
                                        "glVertex3f(512, 384, 0)"}));
}

TEST(Mesh, EachVertexIssuesNormalColourThenPosition)
{
    clear_landscape(landscape);
    height_min = -1.0f;
    height_max = 2.0f;
    strips_at(9);
    ASSERT_EQ(gl_calls.size(), 14u);
    const std::vector<std::string> corners = {"(0, 0, 0)", "(0, 512, 0)", "(512, 0, 0)", "(512, 512, 0)"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(describe(gl_calls[1 + 3 * i]), "glNormal3f(0, 0, 1)");
        EXPECT_STREQ(gl_calls[2 + 3 * i].name, "glColor3f");
        EXPECT_EQ(describe(gl_calls[3 + 3 * i]), "glVertex3f" + corners[i]);
    }
}

TEST(Mesh, NormalsUseCentralDifferencesInsideAndDoubledOneSidedOnesAtEdges)
{
    clear_landscape(landscape);
    for (int u = 0; u <= grid_last; ++u) {
        for (int v = 0; v <= grid_last; ++v) {
            at(u, v) = static_cast<float>(3 * u + 5 * v) + (u == 256 ? 0.5f : 0.0f);
        }
    }
    // Interior: P(u - s) - P(u + s), not divided by the step.
    EXPECT_EQ(normal_at(100, 200, 4), "glNormal3f(-24, -40, 1)");
    // Low edges: 2 (P(0) - P(s)). High edges: 2 (P(512 - s) - P(512)).
    EXPECT_EQ(normal_at(0, 0, 2), "glNormal3f(-12, -20, 1)");
    EXPECT_EQ(normal_at(512, 512, 2), "glNormal3f(-12, -20, 1)");
    // One step short of the far edge already takes the backward form.
    EXPECT_EQ(normal_at(508, 508, 4), "glNormal3f(-24, -40, 1)");
    EXPECT_EQ(normal_at(507, 300, 4), "glNormal3f(-24, -40, 1)");
    // The column at u = 256 sits half a unit higher: it shows on its neighbours.
    EXPECT_EQ(normal_at(255, 10, 1), "glNormal3f(-6.5, -10, 1)");
    // Step 512: at coordinate 0 neither neighbour counts, at 512 the
    // backward form still holds.
    EXPECT_EQ(normal_at(0, 0, 512), "glNormal3f(0, 0, 1)");
    EXPECT_EQ(normal_at(0, 512, 512), "glNormal3f(0, -5120, 1)");
}

TEST(Mesh, ColourRampGreenAtLowestBrownAtMiddleStopWhiteAtHighest)
{
    height_min = -300.0f;
    height_max = 600.0f;  // middle stop at exactly 300
    EXPECT_EQ(colour_of(-300.0f), "glColor3f(0.1, 0.7, 0.2)");
    EXPECT_EQ(colour_of(300.0f), "glColor3f(0.5, 0.3, 0.2)");
    EXPECT_EQ(colour_of(600.0f), "glColor3f(1, 1, 1)");
    EXPECT_EQ(colour_of(0.0f), "glColor3f(0.3, 0.5, 0.2)");      // halfway to the middle stop
    EXPECT_EQ(colour_of(450.0f), "glColor3f(0.75, 0.65, 0.6)");  // halfway above it

    // From 0 to 1 the middle stop, 2/3, is no float: above it every channel
    // is mixed from that stop kept in double.
    height_min = 0.0f;
    height_max = 1.0f;
    gl_calls.clear();
    height_colour(0.7f);
    const double t = 2.0 / 3.0;
    const double f = (static_cast<double>(0.7f) - t) / (1.0 - t);
    const std::array<double, 3> middle{0.5f, 0.3f, 0.2f};
    for (std::size_t i = 0; i < middle.size(); ++i) {
        EXPECT_EQ(gl_calls.at(0).f[i], static_cast<float>((1.0 - f) * middle[i] + f)) << i;
    }

    height_min = height_max = 5.0f;  // a flat landscape: no range to spread
    EXPECT_EQ(colour_of(5.0f), "glColor3f(0.1, 0.7, 0.2)");
}

TEST(Frame, DisplayIssuesCameraLightFogMeshAndWaterInOrder)
{
    viewer = ViewerState{};
    viewer.detail_level = 9;
    clear_landscape(landscape);
    height_min = -30.0f;
    height_max = 60.0f;
    water_level = -12.5f;
    gl_calls.clear();
    display();
    std::vector<std::string> got;
    got.reserve(gl_calls.size());
    for (const GlCall& c : gl_calls) {
        got.push_back(describe(c));
    }
    // The single strip of level 9 in the middle: checked elsewhere.
    ASSERT_EQ(got.size(), 49u);
    got.erase(got.begin() + 21, got.begin() + 35);
    const std::vector<std::string> expected = {
        "glClear(0x4100)",
        "glMatrixMode(0x1700)",
        "glLoadIdentity()",
        "glTranslatef(0, -0.25, -2)",
        "glRotatef(-45, 1, 0, 0)",
        "glRotatef(45, 0, 0, 1)",
        "glLightfv(0x4000, 0x1203, -0.5, -1, 1, 0)",
        "glLightfv(0x4000, 0x1200, 0.1, 0.1, 0.1, 0.1)",
        "glLightfv(0x4000, 0x1201, 1, 1, 1, 1)",
        "glEnable(0xb50)",
        "glEnable(0x4000)",
        "glEnable(0xba1)",
        "glPushMatrix()",
        "glScalef(0.00292398, 0.00292398, 0.00292398)",
        "glTranslatef(-256, -256, 0)",
        "glFogf(0xb62, 1)",
        "glFogf(0xb63, 1.5)",
        "glFogf(0xb64, 2.5)",
        "glFogf(0xb65, 9729)",
        "glFogfv(0xb66, 0.5, 0.5, 0.5, 1)",
        "glEnable(0xb60)",
        "glBlendFunc(0x302, 0x303)",
        "glEnable(0xbe2)",
        "glBegin(0x9)",
        "glNormal3f(0, 0, 1)",
        "glColor4f(0, 0, 1, 0.5)",
        "glVertex3f(0, 0, -12.5)",
        "glVertex3f(0, 512, -12.5)",
        "glVertex3f(512, 512, -12.5)",
        "glVertex3f(512, 0, -12.5)",
        "glEnd()",
        "glDisable(0xbe2)",
        "glDisable(0xb60)",
        "glPopMatrix()",
        "glutSwapBuffers()",
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(gl_calls[13].f[0], 0.0029239766f);
}

TEST(Frame, ExtremeViewerStatesAndEveryDetailLevelRaiseNoFloatingPointTrap)
{
    grow_landscape();
    const ViewerState extremes[] = {
        {1e7f, -3e6f, 0.25f, 2.0f, 5000.0f, -5000.0f, 0.0f, 2},
        {725.0f, 45.0f, 0.25f, -40.0f, 1.0f, 0.0f, -0.02f, 2},
        {45.0f, 45.0f, 0.25f, 3e30f, 1.0f, 0.0f, 0.02f, 2},
        {-1e30f, 1e30f, 0.25f, 0.0f, 1.0f, 0.0f, 0.0f, 2},
    };
    feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    for (ViewerState v : extremes) {
        for (int level = 0; level <= 9; ++level) {
            v.detail_level = level;
            viewer = v;
            gl_calls.clear();
            display();
        }
    }
    height_min = height_max = 0.0f;  // a flat landscape
    display();
    fedisableexcept(FE_ALL_EXCEPT);
    EXPECT_STREQ(gl_calls.back().name, "glutSwapBuffers");
}
