// SPDX-License-Identifier: MIT
// Stands in for GL 1.1's fixed-function pipeline on the page, as one shader
// pair: WebGL has no lighting, colour material or fog of its own. For the
// states the program sets, each is computed as GL 1.1 defines it and as the
// desktop's Mesa does: lighting per vertex from light 0, directional (its
// ambient and diffuse parts; the material's specular colour stays GL's black, so there is no
// specular part), the vertex colour standing for the material's ambient and
// diffuse colour while colour material is on, the lit colour clamped before
// it is interpolated, and linear fog per fragment from the eye's distance along z.
// Depth testing and blending are WebGL's own.
#define GL_GLEXT_PROTOTYPES
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include "gl_layer.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr const char* vertex_shader = R"(
uniform mat4 u_modelview;
uniform mat4 u_modelview_projection;
uniform mat3 u_normal_matrix;
uniform bool u_lighting;
uniform bool u_light0;
uniform bool u_colour_material;
uniform bool u_normalize;
uniform vec3 u_light_direction;
uniform vec4 u_light_ambient;
uniform vec4 u_light_diffuse;
attribute vec4 a_position;
attribute vec3 a_normal;
attribute vec4 a_colour;
varying vec4 v_colour;
varying float v_eye_distance;

const vec4 scene_ambient = vec4(0.2, 0.2, 0.2, 1.0);     // GL's light model ambient
const vec4 material_ambient = vec4(0.2, 0.2, 0.2, 1.0);  // GL's initial material
const vec4 material_diffuse = vec4(0.8, 0.8, 0.8, 1.0);

void main() {
  gl_Position = u_modelview_projection * a_position;
  vec4 eye = u_modelview * a_position;
  v_eye_distance = abs(eye.z);
  if (!u_lighting) {
    v_colour = a_colour;
    return;
  }
  vec4 ambient = u_colour_material ? a_colour : material_ambient;
  vec4 diffuse = u_colour_material ? a_colour : material_diffuse;
  vec3 lit = ambient.rgb * scene_ambient.rgb;
  if (u_light0) {
    vec3 normal = u_normal_matrix * a_normal;
    if (u_normalize) {
      normal = normalize(normal);
    }
    vec3 to_light = normalize(u_light_direction);
    lit += ambient.rgb * u_light_ambient.rgb + max(dot(normal, to_light), 0.0) * diffuse.rgb * u_light_diffuse.rgb;
  }
  v_colour = clamp(vec4(lit, diffuse.a), 0.0, 1.0);
}
)";

constexpr const char* fragment_shader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform bool u_fog;
uniform float u_fog_start;
uniform float u_fog_end;
uniform vec4 u_fog_colour;
varying vec4 v_colour;
varying float v_eye_distance;

void main() {
  vec4 colour = v_colour;
  if (u_fog) {
    float seen = (u_fog_end - v_eye_distance) / (u_fog_end - u_fog_start);
    colour.rgb = mix(u_fog_colour.rgb, colour.rgb, clamp(seen, 0.0, 1.0));
  }
  gl_FragColor = colour;
}
)";

// Where the shader pair's uniforms are, by name.
enum Uniform : std::uint8_t {
    modelview,
    modelview_projection,
    normal_matrix,
    lighting,
    light0,
    colour_material,
    normalize,
    light_direction,
    light_ambient,
    light_diffuse,
    fog,
    fog_start,
    fog_end,
    fog_colour,
    uniform_count
};
constexpr std::array<const char*, uniform_count> uniform_names{"u_modelview",     "u_modelview_projection",
                                                               "u_normal_matrix", "u_lighting",
                                                               "u_light0",        "u_colour_material",
                                                               "u_normalize",     "u_light_direction",
                                                               "u_light_ambient", "u_light_diffuse",
                                                               "u_fog",           "u_fog_start",
                                                               "u_fog_end",       "u_fog_colour"};
std::array<GLint, uniform_count> uniforms{};  // locations in the shader pair in use

GLuint compiled(GLenum type, const char* source)
{
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint done = GL_FALSE;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &done);
    // (A context lost meanwhile compiles nothing, and is made again later.)
    if (done != GL_TRUE && emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context()) == EM_FALSE) {
        std::array<char, 1024> log{};
        emscripten_glGetShaderInfoLog(shader, log.size(), nullptr, log.data());
        std::fprintf(stderr, "Vendrask's shader did not compile: %s\n", log.data());
    }
    return shader;
}

}  // namespace

bool make_fixed_function()
{
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compiled(GL_VERTEX_SHADER, vertex_shader));
    emscripten_glAttachShader(program, compiled(GL_FRAGMENT_SHADER, fragment_shader));
    emscripten_glBindAttribLocation(program, position_attribute, "a_position");
    emscripten_glBindAttribLocation(program, normal_attribute, "a_normal");
    emscripten_glBindAttribLocation(program, colour_attribute, "a_colour");
    emscripten_glLinkProgram(program);
    GLint linked = GL_FALSE;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        return false;
    }
    emscripten_glUseProgram(program);
    for (int u = 0; u < uniform_count; ++u) {
        uniforms[u] = emscripten_glGetUniformLocation(program, uniform_names[u]);
    }
    return true;
}

void apply_fixed_function(const FixedFunction& state)
{
    emscripten_glUniformMatrix4fv(uniforms[modelview], 1, GL_FALSE, state.modelview.data());
    emscripten_glUniformMatrix4fv(uniforms[modelview_projection], 1, GL_FALSE, state.modelview_projection.data());
    emscripten_glUniformMatrix3fv(uniforms[normal_matrix], 1, GL_FALSE, state.normal_matrix.data());
    emscripten_glUniform1i(uniforms[lighting], state.lighting ? 1 : 0);
    emscripten_glUniform1i(uniforms[light0], state.light0 ? 1 : 0);
    emscripten_glUniform1i(uniforms[colour_material], state.colour_material ? 1 : 0);
    emscripten_glUniform1i(uniforms[normalize], state.normalize ? 1 : 0);
    emscripten_glUniform3fv(uniforms[light_direction], 1, state.light_direction.data());
    emscripten_glUniform4fv(uniforms[light_ambient], 1, state.light_ambient.data());
    emscripten_glUniform4fv(uniforms[light_diffuse], 1, state.light_diffuse.data());
    emscripten_glUniform1i(uniforms[fog], state.fog ? 1 : 0);
    emscripten_glUniform1f(uniforms[fog_start], state.fog_start);
    emscripten_glUniform1f(uniforms[fog_end], state.fog_end);
    emscripten_glUniform4fv(uniforms[fog_colour], 1, state.fog_colour.data());
}
