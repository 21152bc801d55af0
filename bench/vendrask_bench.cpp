// Benchmarks: landscape generation, the random source, the mesh code's own
// CPU cost (GL calls going nowhere) and whole frames in Mesa's software
// renderer on a private Xvfb display.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <memory>

#include "gl_window.h"
#include "landscape.h"
#include "random_source.h"
#include "render.h"
#include "viewer_state.h"

namespace {

bool gl_live = false;  // pass GL calls on to the real library, or drop them

void grow()
{
    clear_landscape(landscape);
    generate_landscape(landscape, landscape_levels);
}

}  // namespace

// The entry points the mesh and frame code call: each goes to the real GL
// while `gl_live` is set and nowhere otherwise. (A parameter list cannot be
// parenthesised.)
// NOLINTBEGIN(bugprone-macro-parentheses)
#define PASS(name, params, args)                                                                                       \
    void name params                                                                                                   \
    {                                                                                                                  \
        static const auto real = reinterpret_cast<void(*) params>(dlsym(RTLD_NEXT, #name));                            \
        if (gl_live) {                                                                                                 \
            real args;                                                                                                 \
        }                                                                                                              \
    }
PASS(glBegin, (GLenum m), (m))
PASS(glEnd, (), ())
PASS(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
PASS(glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b))
PASS(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
#undef PASS
// NOLINTEND(bugprone-macro-parentheses)

static void BM_generate_landscape(benchmark::State& state)
{
    for (auto _ : state) {
        grow();
        benchmark::DoNotOptimize(landscape.data());
    }
}
BENCHMARK(BM_generate_landscape)->Unit(benchmark::kMillisecond);

static void BM_ran1(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(ran1(landscape_seed));
    }
}
BENCHMARK(BM_ran1);

static void BM_gauss_deviate(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(gauss_deviate(landscape_seed));
    }
}
BENCHMARK(BM_gauss_deviate);

static void BM_draw_landscape(benchmark::State& state)
{
    grow();
    gl_live = false;
    viewer.detail_level = static_cast<int>(state.range(0));
    for (auto _ : state) {
        draw_landscape();
    }
}
BENCHMARK(BM_draw_landscape)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);

static void BM_frame(benchmark::State& state)
{
    static std::unique_ptr<VirtualDisplay> screen;
    if (!screen) {
        try {
            screen = std::make_unique<VirtualDisplay>();
        } catch (const std::exception& e) {
            state.SkipWithError((std::string("no virtual display: ") + e.what()).c_str());
            return;
        }
        open_viewer_window(*screen, "vendrask_bench");
        grow();
    }
    gl_live = true;
    viewer = ViewerState{};
    viewer.detail_level = static_cast<int>(state.range(0));
    for (auto _ : state) {
        display();
        glFinish();
    }
    gl_live = false;
}
BENCHMARK(BM_frame)->DenseRange(0, 9)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
