// SPDX-License-Identifier: MIT
// The display callback: camera, light, fog, the landscape mesh and the
// translucent water plane, then a buffer swap.
#include <GL/glut.h>

#include "landscape.h"
#include "render.h"
#include "viewer_state.h"

namespace {

// Light 0 is directional, from -x, -y, +z: the direction's components.
constexpr float light_x = -0.5f;
constexpr float light_y = -1.0f;
constexpr float light_z = 1.0f;
constexpr GLfloat light_ambient[4] = {0.1f, 0.1f, 0.1f, 0.1f};  // RGBA added everywhere
constexpr GLfloat light_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // RGBA, white

constexpr float landscape_centre = grid_last / 2.0f;  // grid units from the edge to the centre column

constexpr float fog_density = 1.0f;                          // unused by linear fog, set all the same
constexpr float fog_start = 1.5f;                            // eye distance, scene units, where fog begins
constexpr float fog_end = 2.5f;                              // eye distance, scene units, where only fog is seen
constexpr GLfloat fog_colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};  // grey against the black sky

constexpr GLfloat water_colour[4] = {0.0f, 0.0f, 1.0f, 0.5f};  // blue, half transparent
constexpr float water_side = grid_last;                        // grid units: the whole square

constexpr float level_tilt = 90.0f;  // tilt, degrees, at which the eye looks straight down

void set_fog()
{
    glFogf(GL_FOG_DENSITY, fog_density);
    glFogf(GL_FOG_START, fog_start);
    glFogf(GL_FOG_END, fog_end);
    glFogf(GL_FOG_MODE, static_cast<GLfloat>(GL_LINEAR));
    glFogfv(GL_FOG_COLOR, fog_colour);
    glEnable(GL_FOG);
}

// One blended quad over the whole square at the water level; with depth
// testing on it shows only where it lies above the ground.
void draw_water()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glBegin(GL_POLYGON);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glColor4f(water_colour[0], water_colour[1], water_colour[2], water_colour[3]);
    glVertex3f(0.0f, 0.0f, water_level);
    glVertex3f(0.0f, water_side, water_level);
    glVertex3f(water_side, water_side, water_level);
    glVertex3f(water_side, 0.0f, water_level);
    glEnd();
    glDisable(GL_BLEND);
}

}  // namespace

void set_camera()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, -viewer.eye_height, -viewer.distance);
    glRotatef(static_cast<float>(static_cast<double>(viewer.tilt) - static_cast<double>(level_tilt)), 1.0f, 0.0f, 0.0f);
    glRotatef(viewer.heading, 0.0f, 0.0f, 1.0f);
}

void set_light(float x, float y, float z)
{
    const GLfloat position[4] = {x, y, z, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light_diffuse);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    set_camera();
    // Given under the camera alone, so the light turns with the landscape.
    set_light(light_x, light_y, light_z);
    // The mesh's normals are not unit length.
    glEnable(GL_NORMALIZE);

    // Grid units to scene units, the centre column at the origin.
    glPushMatrix();
    glScalef(landscape_scale, landscape_scale, landscape_scale);
    glTranslatef(-landscape_centre, -landscape_centre, 0.0f);

    set_fog();
    draw_landscape();
    draw_water();
    glDisable(GL_FOG);
    glPopMatrix();

    glutSwapBuffers();
}
