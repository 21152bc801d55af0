// A recording layer for the GL and GLUT entry points that the rendering and
// control code calls. Linked into test programs in place of the real
// libraries: each call appends one entry to `gl_calls`.
#pragma once

#include <array>
#include <string>
#include <vector>

struct GlCall {
    const char* name;           // entry point, e.g. "glVertex3f"
    std::array<unsigned, 2> e;  // enum arguments, in order
    std::array<float, 4> f;     // float arguments, in order
    int enums;                  // how many of `e` are used
    int floats;                 // how many of `f` are used
};

extern std::vector<GlCall> gl_calls;

// The call as text, e.g. "glTranslatef(0, -0.25, -2)", enums in hex.
std::string describe(const GlCall& call);
