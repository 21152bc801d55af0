// SPDX-License-Identifier: MIT
// The real vendrask on a private Xvfb display, driven by real X input events
// (xdotool) and watched through its window's pictures and exit status.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "gl_recorder.h"
#include "gl_window.h"
#include "landscape.h"
#include "render.h"
#include "viewer_state.h"
#include "window.h"
#include "x_session.h"

using namespace std::chrono_literals;

namespace {

const std::string title = window_title;
constexpr auto bound = 60s;  // for anything the program does, on a slow and busy machine

// The Windows build, when VENDRASK_WINDOWS_EXE names its vendrask.exe, is run
// under wine; otherwise the program built here.
const char* const windows_exe = std::getenv("VENDRASK_WINDOWS_EXE");

std::vector<std::string> program()
{
    if (windows_exe != nullptr) {
        return {WINE_SH, "--through-cmd", windows_exe};
    }
    return {VENDRASK_EXE};
}

// The start-up line, ended as the platform ends lines in text output.
std::string startup_line()
{
    return std::string("Initializing landscape[513][513]") + (windows_exe != nullptr ? "\r\n" : "\n");
}

class Viewer : public testing::Test {
  protected:
    VirtualDisplay screen;
    Child app;
    Window window = 0;
    std::unique_ptr<FrameCounter> frames;

    // Under wine, the prefix's own processes (its desktop, its services)
    // outlive the program, on the program's display. The next case would
    // start while they still run and die with this display: wait for them
    // to end (all are ended after 30 s) while the display is still there.
    void TearDown() override
    {
        if (windows_exe != nullptr) {
            run({WINE_SH, "--end"}, screen.name);
        }
    }

    // Starts vendrask with `args` and waits for its window to show a frame.
    void start(std::vector<std::string> args = {}, Output output = Output::captured)
    {
        const std::vector<std::string> command = program();
        args.insert(args.begin(), command.begin(), command.end());
        start_child(app, args, screen.name, output);
        await_window();
    }

    void await_window()
    {
        const auto w = find_window(screen.x, title, bound);
        ASSERT_TRUE(w.has_value()) << "no window titled \"" << title << '"';
        window = w.value_or(0);
        ASSERT_TRUE(wait_for([&] { return !blank(take_picture(screen.x, window)); }, bound));
        frames = std::make_unique<FrameCounter>(screen.x, window);
        xdotool({"windowfocus", "--sync", std::to_string(window)});
        xdotool({"mousemove", "--window", std::to_string(window), "300", "256"});
    }

    static bool blank(const Picture& p)
    {
        return std::all_of(p.rgb.begin(), p.rgb.end(), [](std::uint8_t c) { return c == 0; });
    }

    void xdotool(std::vector<std::string> args)
    {
        args.insert(args.begin(), "xdotool");
        ASSERT_EQ(run(args, screen.name), 0);
    }

    void keys(const std::vector<std::string>& names)
    {
        std::vector<std::string> args{"key"};
        args.insert(args.end(), names.begin(), names.end());
        xdotool(args);
    }

    Picture picture() { return take_picture(screen.x, window); }

    // The picture a few frames later: by then the program has handled all
    // the input sent before, however slowly it draws.
    Picture after_input()
    {
        if (!frames) {
            ADD_FAILURE() << "no window to watch";
            return {};
        }
        EXPECT_TRUE(frames->wait_frames(4, bound)) << "vendrask stopped drawing";
        return picture();
    }

    // The picture after input, once two pictures some frames apart agree.
    Picture settled()
    {
        Picture last = after_input();
        for (int i = 0; i < 20; ++i) {
            Picture now = after_input();
            if (now == last) {
                return now;
            }
            last = std::move(now);
        }
        ADD_FAILURE() << "the picture never held still";
        return last;
    }

    void expect_exit_zero()
    {
        const auto status = app.wait_exit(bound);
        ASSERT_TRUE(status.has_value()) << "vendrask is still running";
        EXPECT_EQ(status.value_or(-1), 0);
    }
};

// Whether the window's 32 × 32 icon is `rgba` (straight alpha, rows from
// the top), alpha and colour within two steps where it is not transparent.
bool shows_icon(const std::vector<unsigned long>& icons, const std::vector<std::uint8_t>& rgba)
{
    constexpr unsigned long side = 32;
    for (std::size_t i = 0; i + 2 <= icons.size(); i += 2 + icons[i] * icons[i + 1]) {
        if (icons[i] != side || icons[i + 1] != side || rgba.size() != 4 * side * side) {
            continue;
        }
        const auto close = [](unsigned long a, std::uint8_t b) {
            return std::abs(static_cast<int>(a & 0xff) - b) <= 2;
        };
        bool same = true;
        for (std::size_t p = 0; p < side * side && same; ++p) {
            const unsigned long argb = icons[i + 2 + p];
            const std::uint8_t* want = &rgba[4 * p];
            same = close(argb >> 24, want[3]) &&
                   (want[3] == 0 || (close(argb >> 16, want[0]) && close(argb >> 8, want[1]) && close(argb, want[2])));
        }
        return same;
    }
    return false;
}

std::vector<std::string> repeat(const std::string& key, int n)
{
    return std::vector<std::string>(static_cast<std::size_t>(n), key);
}

}  // namespace

TEST_F(Viewer, PrintsItsLineBeforeItOpensItsWindowAndEndsWhenClosed)
{
    // Standard output starts full, so vendrask waits at its line until the
    // test reads: there must be no window yet.
    start_child(app, program(), screen.name, Output::captured_full);
    ASSERT_TRUE(wait_for([&] { return waits_on_full_pipe(app.pid); }, bound)) << "vendrask never printed";
    EXPECT_FALSE(window_exists(screen.x, title)) << "the window opened before the line was printed";
    const std::string out = app.read_output(bound, true);
    EXPECT_EQ(out.substr(out.find_first_not_of('.')), startup_line());
    await_window();
    XWindowAttributes a;
    XGetWindowAttributes(screen.x, window, &a);
    EXPECT_EQ(a.width, window_width);
    EXPECT_EQ(a.height, window_height);
    request_close(screen.x, window);
    expect_exit_zero();
    EXPECT_EQ(app.read_output(5s), "") << "nothing more on standard output";
}

TEST_F(Viewer, ArgumentsThatGlutDoesNotKnowChangeNothing)
{
    start({"landscape", "--seed", "7", "-x"});
    EXPECT_EQ(app.read_output(5s, true), startup_line());
    XWindowAttributes a;
    XGetWindowAttributes(screen.x, window, &a);
    EXPECT_EQ(a.width, window_width);
    EXPECT_EQ(a.height, window_height);
    keys({"q"});
    expect_exit_zero();
}

TEST_F(Viewer, StartsAndQuitsWithStandardOutputAndErrorClosed)
{
    // The GL loader then writes to standard error at start-up: into the X
    // connection, were that to take descriptor 2.
    setenv("LIBGL_DEBUG", "verbose", 1);
    start({}, Output::closed);
    unsetenv("LIBGL_DEBUG");
    EXPECT_FALSE(after_input() == Picture{});
    keys({"q"});
    expect_exit_zero();
}

TEST_F(Viewer, ShowsWhatTheSameViewDrawsInProcessAndQuitsOnQ)
{
    start();
    // The Windows build's window carries the program's icon, as wine
    // publishes it (VENDRASK_WINDOWS_ICON: the 32-pixel icon as raw RGBA).
    // Control: the same icon upside down does not match.
    if (const char* icon_file = std::getenv("VENDRASK_WINDOWS_ICON"); icon_file != nullptr) {
        std::ifstream in(icon_file, std::ios::binary);
        const std::vector<std::uint8_t> icon{std::istreambuf_iterator<char>(in), {}};
        std::vector<std::uint8_t> flipped;
        const std::size_t row = icon.size() / 32;
        for (std::size_t from = icon.size(); row > 0 && from >= row; from -= row) {
            flipped.insert(flipped.end(), icon.begin() + static_cast<std::ptrdiff_t>(from - row),
                           icon.begin() + static_cast<std::ptrdiff_t>(from));
        }
        std::vector<unsigned long> icons;
        // Wine may publish another icon first.
        EXPECT_TRUE(wait_for([&] { return shows_icon(icons = window_icons(screen.x, window), icon); }, bound))
            << "the window does not carry Vendrask's 32-pixel icon";
        EXPECT_FALSE(shows_icon(icons, flipped)) << "control: an upside-down icon matched";
    }
    keys({"a"});
    const Picture shown = settled();
    keys({"q"});
    expect_exit_zero();

    // The first landscape drawn here by the same GL, at each heading the
    // program may have stopped turning at, until one matches: at most 0.1%
    // of the pixels may differ by more than a tenth of full scale.
    open_viewer_window(screen, "e2e_test");
    grow_landscape();
    static Picture drawn;
    gl_before_swap = [] {
        drawn = read_back_buffer();
    };
    const auto differing = [&] {
        const auto off = [&](std::size_t c) {
            return std::abs(shown.rgb[c] - drawn.rgb[c]) > 25;
        };
        std::size_t n = 0;
        for (std::size_t i = 0; i + 2 < shown.rgb.size(); i += 3) {
            n += off(i) || off(i + 1) || off(i + 2) ? 1 : 0;
        }
        return n;
    };
    const std::size_t allowed = shown.rgb.size() / 3 / 1000;
    std::size_t fewest = shown.rgb.size();
    for (int turned = 0; turned < 360 && fewest > allowed; ++turned) {
        viewer.heading = std::fmod(45.0f + static_cast<float>(turned), 360.0f);
        display();
        ASSERT_EQ(drawn.rgb.size(), shown.rgb.size());
        fewest = std::min(fewest, differing());
    }
    EXPECT_LE(fewest, allowed) << "no heading draws what the program showed";
    std::cout << "pixels differing from the in-process frame: " << fewest << " of " << shown.rgb.size() / 3 << '\n';
    glutExit();
}

TEST_F(Viewer, MiddleButtonEndsTheProgram)
{
    start();
    xdotool({"click", "2"});
    expect_exit_zero();
}

TEST_F(Viewer, TurningStopsOnAAndResumesOnD)
{
    start();
    keys({"a"});
    const Picture still = settled();
    keys({"d"});
    const Picture turning = after_input();
    EXPECT_FALSE(turning == still) << "the view did not turn again";
    EXPECT_FALSE(after_input() == turning) << "the view did not keep turning";
}

TEST_F(Viewer, DetailLevelStopsAtFinestAndCoarsest)
{
    start();
    keys({"a"});
    const Picture level2 = settled();
    keys({"plus"});
    const Picture level1 = settled();
    EXPECT_FALSE(level1 == level2);
    // Twelve more presses stop at level 0; one "-" then gives level 1 again.
    keys(repeat("plus", 12));
    keys({"minus"});
    EXPECT_TRUE(settled() == level1);
    keys(repeat("minus", 7));
    const Picture level8 = settled();
    EXPECT_FALSE(level8 == level1);
    keys(repeat("minus", 12));
    keys({"plus"});
    EXPECT_TRUE(settled() == level8);
}

TEST_F(Viewer, RegrowsOnRIgnoresUpperCaseAndQuitsOnQ)
{
    start();
    keys({"a"});
    const Picture level2 = settled();
    keys({"minus"});
    const Picture level3 = settled();
    EXPECT_FALSE(level3 == level2);
    keys({"plus"});
    EXPECT_TRUE(settled() == level2);
    // Had "R" regrown the landscape or "Q" quit, level 3 would not come back.
    keys({"R", "Q", "minus"});
    EXPECT_TRUE(settled() == level3);
    keys({"r"});
    EXPECT_FALSE(settled() == level3);
    keys({"q"});
    expect_exit_zero();
}

TEST_F(Viewer, LeftButtonMovesTheEyeInWhileHeld)
{
    start();
    keys({"a"});
    const Picture before = settled();
    xdotool({"mousedown", "1"});
    EXPECT_FALSE(after_input() == before) << "the eye did not move";
    xdotool({"mouseup", "1"});
    EXPECT_FALSE(settled() == before);  // settles: it stops on release
    keys({"q"});
    expect_exit_zero();
}

TEST_F(Viewer, SurvivesAStormOfInputAndStillQuitsCleanly)
{
    // Seeded so that a failure can be replayed: VENDRASK_STORM_SEED=n.
    const char* given = std::getenv("VENDRASK_STORM_SEED");
    const unsigned seed = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 20261207u;
    SCOPED_TRACE("storm seed " + std::to_string(seed));
    std::mt19937 pick(seed);
    const std::vector<std::string> some_keys = {"plus", "minus", "a", "d", "w", "s",     "A",      "D",     "W",
                                                "S",    "R",     "Q", "x", "1", "space", "Return", "Escape"};
    start();
    int regrowths = 0;
    for (int batch = 0; batch < 10; ++batch) {
        // Thirty events per xdotool run; never "q" nor the middle button.
        std::vector<std::string> events;
        for (int i = 0; i < 30; ++i) {
            switch (pick() % 6) {
            case 0:
            case 1:
                events.insert(events.end(), {"key", some_keys[pick() % some_keys.size()]});
                break;
            case 2:
                events.insert(events.end(), {pick() % 2 == 0 ? "mousedown" : "mouseup", pick() % 2 == 0 ? "1" : "3"});
                break;
            case 3:
                events.insert(events.end(),
                              {"mousemove", "--window", std::to_string(window), std::to_string(pick() % window_width),
                               std::to_string(pick() % window_height)});
                break;
            case 4:
                events.insert(events.end(), {"click", pick() % 2 == 0 ? "4" : "5"});  // wheel steps
                break;
            default:
                if (regrowths < 6) {
                    events.insert(events.end(), {"key", "r"});
                    ++regrowths;
                }
                break;
            }
        }
        xdotool(events);
        ASSERT_TRUE(app.running()) << "vendrask ended during the storm";
    }
    xdotool({"mouseup", "1", "mouseup", "3"});
    ASSERT_TRUE(app.running()) << "vendrask ended during the storm";
    keys({"q"});
    expect_exit_zero();
}
