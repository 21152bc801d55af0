// SPDX-License-Identifier: MIT
// Stand-ins for the GL and GLUT entry points used by the program's rendering
// and control code.
#include "gl_recorder.h"

#include <GL/glut.h>
#include <dlfcn.h>

#include <cstdio>
#include <initializer_list>

GlMode gl_mode = GlMode::record;
std::vector<GlCall> gl_calls;
std::set<GLenum> gl_withheld;
void (*gl_before_swap)() = nullptr;

namespace {

// Records the call when recording; true when it is to be passed on.
bool intercept(const char* name, std::initializer_list<unsigned> e, std::initializer_list<float> f)
{
    if (gl_mode == GlMode::record) {
        GlCall c{name, {}, {}, static_cast<int>(e.size()), static_cast<int>(f.size())};
        std::copy(e.begin(), e.end(), c.e.begin());
        std::copy(f.begin(), f.end(), c.f.begin());
        gl_calls.push_back(c);
    }
    return gl_mode == GlMode::pass;
}

// The real entry point of that name, in the libraries loaded after this.
template <typename F> F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

std::string describe(const GlCall& call)
{
    std::string s = call.name;
    s += '(';
    char buf[32];
    for (int i = 0; i < call.enums; ++i) {
        std::snprintf(buf, sizeof buf, "%s0x%x", i > 0 ? ", " : "", call.e[i]);
        s += buf;
    }
    for (int i = 0; i < call.floats; ++i) {
        std::snprintf(buf, sizeof buf, "%s%g", i + call.enums > 0 ? ", " : "", static_cast<double>(call.f[i]));
        s += buf;
    }
    return s + ')';
}

// Each stand-in: record or drop the call, or pass it on to the real one.
// (A parameter list cannot be parenthesised.)
// NOLINTBEGIN(bugprone-macro-parentheses)
#define STAND_IN(name, params, args, enums, floats)                                                                    \
    void name params                                                                                                   \
    {                                                                                                                  \
        if (intercept(#name, {LIST enums}, {LIST floats})) {                                                           \
            static const auto pass_on = real<void(*) params>(#name);                                                   \
            pass_on args;                                                                                              \
        }                                                                                                              \
    }
#define LIST(...) __VA_ARGS__  // a parenthesised list without its parentheses
STAND_IN(glClear, (GLbitfield m), (m), (m), ())
STAND_IN(glMatrixMode, (GLenum m), (m), (m), ())
STAND_IN(glLoadIdentity, (), (), (), ())
STAND_IN(glPushMatrix, (), (), (), ())
STAND_IN(glPopMatrix, (), (), (), ())
STAND_IN(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (), (x, y, z))
STAND_IN(glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (), (x, y, z))
STAND_IN(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z), (), (a, x, y, z))
STAND_IN(glDisable, (GLenum c), (c), (c), ())
STAND_IN(glBlendFunc, (GLenum s, GLenum d), (s, d), (s, d), ())
STAND_IN(glFogf, (GLenum p, GLfloat x), (p, x), (p), (x))
STAND_IN(glFogfv, (GLenum p, const GLfloat* v), (p, v), (p), (v[0], v[1], v[2], v[3]))
STAND_IN(glLightfv, (GLenum l, GLenum p, const GLfloat* v), (l, p, v), (l, p), (v[0], v[1], v[2], v[3]))
STAND_IN(glBegin, (GLenum m), (m), (m), ())
STAND_IN(glEnd, (), (), (), ())
STAND_IN(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (), (x, y, z))
STAND_IN(glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b), (), (r, g, b))
STAND_IN(glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a), (), (r, g, b, a))
STAND_IN(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), (), (x, y, z))
STAND_IN(glutPostRedisplay, (), (), (), ())
#undef L
#undef STAND_IN
// NOLINTEND(bugprone-macro-parentheses)

// A withheld capability is switched off instead.
void glEnable(GLenum cap)
{
    if (intercept("glEnable", {cap}, {})) {
        static const auto enable = real<void (*)(GLenum)>("glEnable");
        static const auto disable = real<void (*)(GLenum)>("glDisable");
        (gl_withheld.count(cap) == 0 ? enable : disable)(cap);
    }
}

void glutSwapBuffers()
{
    if (intercept("glutSwapBuffers", {}, {})) {
        if (gl_before_swap != nullptr) {
            gl_before_swap();
        }
        static const auto pass_on = real<void (*)()>("glutSwapBuffers");
        pass_on();
    }
}
