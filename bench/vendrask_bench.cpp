// SPDX-License-Identifier: MIT
// Benchmarks: landscape generation, the random source, the mesh code's own
// CPU cost (GL calls dropped by the test stand-ins) and whole frames in
// Mesa's software renderer on a private Xvfb display.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "gl_recorder.h"
#include "gl_window.h"
#include "landscape.h"
#include "random_source.h"
#include "render.h"
#include "viewer_state.h"

static void BM_generate_landscape(benchmark::State& state)
{
    for (auto _ : state) {
        grow_landscape();
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
    grow_landscape();
    gl_mode = GlMode::drop;
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
            // Google Benchmark before 1.8 (Debian 12's) takes only a C string.
            // NOLINTNEXTLINE(readability-redundant-string-cstr)
            state.SkipWithError((std::string("no virtual display: ") + e.what()).c_str());
            return;
        }
        open_viewer_window(*screen, "vendrask_bench");
        grow_landscape();
    }
    gl_mode = GlMode::pass;
    viewer = ViewerState{};
    viewer.detail_level = static_cast<int>(state.range(0));
    for (auto _ : state) {
        display();
        glFinish();
    }
}
BENCHMARK(BM_frame)->DenseRange(0, 9)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
