// SPDX-License-Identifier: MIT
// Stand-ins for the GL and GLUT entry points that the rendering and control
// code calls, linked into test programs and benchmarks in place of the real
// ones. Each call is recorded, dropped, or passed on to the real library,
// as `gl_mode` says.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct GlCall {
    const char* name;           // entry point, e.g. "glVertex3f"
    std::array<unsigned, 2> e;  // enum arguments, in order
    std::array<float, 4> f;     // float arguments, in order
    int enums;                  // how many of `e` are used
    int floats;                 // how many of `f` are used
};

enum class GlMode : std::uint8_t { record, drop, pass };

extern GlMode gl_mode;                // what the stand-ins do with each call; record at start
extern std::vector<GlCall> gl_calls;  // the calls recorded, in order
extern std::set<GLenum> gl_withheld;  // capabilities glEnable leaves off when passing calls on
extern void (*gl_before_swap)();      // called before a swap that is passed on, when set

// The call as text, e.g. "glTranslatef(0, -0.25, -2)", enums in hex.
std::string describe(const GlCall& call);
