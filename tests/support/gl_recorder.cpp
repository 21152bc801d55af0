// Recording stand-ins for the GL and GLUT entry points used by the program's
// rendering and control code.
#include "gl_recorder.h"

#include <GL/glut.h>

#include <cstdio>
#include <initializer_list>

std::vector<GlCall> gl_calls;

namespace {

void record(const char* name, std::initializer_list<unsigned> e, std::initializer_list<float> f)
{
    GlCall c{name, {}, {}, static_cast<int>(e.size()), static_cast<int>(f.size())};
    std::copy(e.begin(), e.end(), c.e.begin());
    std::copy(f.begin(), f.end(), c.f.begin());
    gl_calls.push_back(c);
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

void glClear(GLbitfield mask)
{
    record("glClear", {mask}, {});
}
void glMatrixMode(GLenum mode)
{
    record("glMatrixMode", {mode}, {});
}
void glLoadIdentity()
{
    record("glLoadIdentity", {}, {});
}
void glPushMatrix()
{
    record("glPushMatrix", {}, {});
}
void glPopMatrix()
{
    record("glPopMatrix", {}, {});
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    record("glTranslatef", {}, {x, y, z});
}
void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    record("glScalef", {}, {x, y, z});
}
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", {}, {a, x, y, z});
}
void glEnable(GLenum cap)
{
    record("glEnable", {cap}, {});
}
void glDisable(GLenum cap)
{
    record("glDisable", {cap}, {});
}
void glBlendFunc(GLenum s, GLenum d)
{
    record("glBlendFunc", {s, d}, {});
}
void glFogf(GLenum p, GLfloat x)
{
    record("glFogf", {p}, {x});
}
void glFogfv(GLenum p, const GLfloat* v)
{
    record("glFogfv", {p}, {v[0], v[1], v[2], v[3]});
}
void glLightfv(GLenum l, GLenum p, const GLfloat* v)
{
    record("glLightfv", {l, p}, {v[0], v[1], v[2], v[3]});
}
void glBegin(GLenum mode)
{
    record("glBegin", {mode}, {});
}
void glEnd()
{
    record("glEnd", {}, {});
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glNormal3f", {}, {x, y, z});
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    record("glColor3f", {}, {r, g, b});
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    record("glColor4f", {}, {r, g, b, a});
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glVertex3f", {}, {x, y, z});
}
void glutSwapBuffers()
{
    record("glutSwapBuffers", {}, {});
}
void glutPostRedisplay()
{
    record("glutPostRedisplay", {}, {});
}
