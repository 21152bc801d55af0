// SPDX-License-Identifier: MIT
// Stands in for GLUT on the page: the window and main loop, the GLUT calls
// the program makes, over the page's canvas, a WebGL context and the
// browser's animation frames, through Emscripten's html5.h. As in freeglut, the display callback draws
// when a redisplay has been asked for, and the idle callback runs once after
// each frame. As a desktop window's does, the drawing buffer follows the size
// the canvas is shown at, here in device pixels, and the viewport is the
// whole of it (GLUT's own reshape). When the browser takes the graphics away
// (a phone freeing memory, a GPU reset), the program and all its state go on;
// when it gives them back, the GL layer is made again and the same view
// drawn. The page hears of each by its event (library.js tells it); it hands
// keys and mouse buttons to the program through vendrask_key and
// vendrask_button (input.js), and stops the viewer for good through
// vendrask_halt.
#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "gl_layer.h"

// library.js: what the page hears of the window, by the event's name; and
// the device pixels the canvas covers on the screen, as the browser tells
// where it can (watched from the window's making on), 0 where it does not.
// Side 0 is the width, 1 the height.
extern "C" void tell_page(const char* event);
extern "C" void watch_device_pixels();
extern "C" double device_pixels(int side);

namespace {

constexpr const char* canvas = "#canvas";  // the page's, by its CSS selector
// The drawing buffer's longest side at most, in pixels: a larger screen shows
// it scaled up, so that a phone's GPU has room.
constexpr double longest_side = 4096.0;

enum class Graphics : std::uint8_t { present, away, halted };

unsigned int display_mode = GLUT_RGB | GLUT_SINGLE;  // as glutInitDisplayMode set it
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;         // the window's, 0 until made
Graphics graphics = Graphics::present;               // halted once the viewer has ended or failed
bool redisplay = true;                               // a frame has been asked for; the window's first is
bool shown = false;                                  // a frame has been shown
int buffer_width = 0;                                // the drawing buffer's size asked for, in pixels
int buffer_height = 0;
double drawable = longest_side;        // pixels: the longest side WebGL draws here, at most longest_side
void (*display_callback)() = nullptr;  // the program's callbacks, none until registered
void (*idle_callback)() = nullptr;
void (*keyboard_callback)(unsigned char, int, int) = nullptr;
void (*mouse_callback)(int, int, int, int) = nullptr;

// The drawing buffer at the canvas's size on the screen in device pixels,
// within what WebGL draws, and the viewport the whole of the buffer the
// browser gave, which may be smaller. The size in CSS pixels times the device
// pixel ratio can be a pixel off; where the browser tells the device pixels
// themselves, and they agree with that to a pixel, they are taken. (A browser
// emulating another device's pixel ratio, as Chromium's DevTools do, tells
// those of its own screen.)
void fit_to_screen()
{
    double width = 0.0;  // CSS pixels, then device pixels
    double height = 0.0;
    emscripten_get_element_css_size(canvas, &width, &height);
    const double ratio = emscripten_get_device_pixel_ratio();
    width = std::round(width * ratio);
    height = std::round(height * ratio);
    const double told_width = device_pixels(0);
    const double told_height = device_pixels(1);
    if (std::abs(told_width - width) <= 1.0 && std::abs(told_height - height) <= 1.0) {
        width = told_width;
        height = told_height;
    }
    if (width < 1.0 || height < 1.0) {
        return;  // not shown
    }
    const double scale = std::min(1.0, drawable / std::max(width, height));
    const int w = std::max(1, static_cast<int>(std::floor(width * scale)));
    const int h = std::max(1, static_cast<int>(std::floor(height * scale)));
    if (w != buffer_width || h != buffer_height) {
        buffer_width = w;
        buffer_height = h;
        emscripten_set_canvas_element_size(canvas, w, h);
        int given_width = w;
        int given_height = h;
        emscripten_webgl_get_drawing_buffer_size(context, &given_width, &given_height);
        emscripten_glViewport(0, 0, given_width, given_height);
        redisplay = true;
    }
}

// One animation frame; false ends them.
EM_BOOL animation_frame(double /*time*/, void* /*user_data*/)
{
    if (graphics != Graphics::present) {
        return graphics == Graphics::away ? EM_TRUE : EM_FALSE;
    }
    fit_to_screen();
    if (redisplay && display_callback != nullptr) {
        redisplay = false;
        display_callback();
    }
    if (idle_callback != nullptr) {
        idle_callback();
    }
    return EM_TRUE;
}

// Returning true lets the browser give the context back.
EM_BOOL graphics_lost(int /*event*/, const void* /*reserved*/, void* /*user_data*/)
{
    if (graphics == Graphics::present) {
        graphics = Graphics::away;
        tell_page("lost");
    }
    return EM_TRUE;
}

EM_BOOL graphics_restored(int /*event*/, const void* /*reserved*/, void* /*user_data*/)
{
    if (graphics != Graphics::away || emscripten_is_webgl_context_lost(context) == EM_TRUE) {
        return EM_TRUE;  // ended meanwhile, or already taken again: its own restore follows
    }
    if (!make_graphics()) {
        graphics = Graphics::halted;
        tell_page("unrestorable");
        return EM_TRUE;
    }
    graphics = Graphics::present;
    buffer_width = 0;  // the viewport, given again by the next frame
    redisplay = true;
    tell_page("restored");
    return EM_TRUE;
}

}  // namespace

extern "C" {

// The command line: the page has none.
void glutInit(int* /*argc*/, char** /*argv*/) {}

// The program's: RGB, double-buffered, with a depth buffer.
void glutInitDisplayMode(unsigned int mode)
{
    if ((mode & ~static_cast<unsigned int>(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH)) != 0) {
        unsupported("glutInitDisplayMode", mode);
    }
    display_mode = mode;
}

// The canvas's drawing buffer, in pixels.
void glutInitWindowSize(int width, int height)
{
    emscripten_set_canvas_element_size(canvas, width, height);
}

// The page's canvas, with a WebGL context as the display mode asks; WebGL's
// drawing buffer is always double-buffered. The page has a title of its own.
int glutCreateWindow(const char* /*title*/)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = (display_mode & GLUT_DEPTH) != 0 ? EM_TRUE : EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.enableExtensionsByDefault = EM_FALSE;
    context = emscripten_webgl_create_context(canvas, &attributes);
    if (context <= 0) {
        tell_page("no-webgl");
        emscripten_unwind_to_js_event_loop();  // the page says why; nothing more runs
    }
    emscripten_webgl_make_context_current(context);
    emscripten_set_webglcontextlost_callback(canvas, nullptr, EM_FALSE, graphics_lost);
    emscripten_set_webglcontextrestored_callback(canvas, nullptr, EM_FALSE, graphics_restored);
    watch_device_pixels();
    if (!make_graphics() && emscripten_is_webgl_context_lost(context) == EM_FALSE) {
        std::fprintf(stderr, "Vendrask's window: WebGL cannot draw the landscape here\n");
        std::abort();
    }
    std::array<GLint, 2> viewport{};
    GLint renderbuffer = 0;
    emscripten_glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport.data());
    emscripten_glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    for (const GLint side : {viewport[0], viewport[1], renderbuffer}) {
        drawable = side > 0 ? std::min(drawable, static_cast<double>(side)) : drawable;
    }
    return 1;
}

void glutDisplayFunc(void (*callback)())
{
    display_callback = callback;
}

void glutIdleFunc(void (*callback)())
{
    idle_callback = callback;
}

void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    keyboard_callback = callback;
}

void glutMouseFunc(void (*callback)(int, int, int, int))
{
    mouse_callback = callback;
}

void glutPostRedisplay()
{
    redisplay = true;
}

// The browser shows the frame once the animation frame has returned.
void glutSwapBuffers()
{
    frame_shown();
    if (!shown) {
        shown = true;
        tell_page("shown");
    }
}

// Never returns, as in GLUT: the browser calls back from here on. The
// runtime is not held alive for it, so that the program's exit ends it, and
// the page hears of that (Module.onExit).
void glutMainLoop()
{
    emscripten_request_animation_frame_loop(animation_frame, nullptr);
    emscripten_unwind_to_js_event_loop();
}

// The page's ways in, exported by the module. Keys and buttons reach the
// program while its graphics are away too, and never once it has halted.
void vendrask_key(int character)
{
    if (graphics != Graphics::halted && keyboard_callback != nullptr) {
        keyboard_callback(static_cast<unsigned char>(character), 0, 0);
    }
}

// A mouse button as the browser numbers it (MouseEvent.button: 0 the left,
// 1 the middle, 2 the right), pressed or released at (x, y).
void vendrask_button(int button, bool pressed, int x, int y)
{
    constexpr std::array<int, 3> glut_buttons{GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON};
    if (graphics != Graphics::halted && mouse_callback != nullptr && button >= 0 && button < 3) {
        mouse_callback(glut_buttons[static_cast<std::size_t>(button)], pressed ? GLUT_DOWN : GLUT_UP, x, y);
    }
}

void vendrask_halt()
{
    graphics = Graphics::halted;
}

}  // extern "C"
