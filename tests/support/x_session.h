// SPDX-License-Identifier: MIT
// Helpers for tests that run real windows: a private Xvfb display, child
// processes that are always ended and reaped, window lookup, pictures of a
// window, and the window manager's close request.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A child process. Killed and reaped when dropped if it is still running.
struct Child {
    pid_t pid = -1;
    int out = -1;  // read end of its standard output, when captured

    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    // Exit status once it has exited within `timeout`; -1 - signal when a
    // signal ended it; nothing while it still runs.
    std::optional<int> wait_exit(std::chrono::milliseconds timeout);
    // What it writes to standard output until it closes it, `timeout`
    // passes, or (with `one_line`) a line break arrives.
    std::string read_output(std::chrono::milliseconds timeout, bool one_line = false);
    bool running();
};

// What a child's standard output is: the test's own, a pipe the test reads
// (`captured`), the same pipe already full so that the child's first write
// waits until the test reads (`captured_full`), or closed together with
// standard error.
enum class Output : std::uint8_t { inherited, captured, captured_full, closed };

// Starts `argv` with DISPLAY set to `display` (when given).
void start_child(Child& child, const std::vector<std::string>& argv, const std::string& display, Output output);

// Whether the process is waiting to write into a full pipe.
bool waits_on_full_pipe(pid_t pid);

// Runs `argv` to completion and returns its exit status.
int run(const std::vector<std::string>& argv, const std::string& display);

// A private Xvfb server with a connection to it.
struct VirtualDisplay {
    Child server;
    std::string name;  // e.g. ":3"
    Display* x = nullptr;

    VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay();
};

// An RGB picture, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* at(int x, int y) const { return &rgb[3 * (static_cast<std::size_t>(y) * width + x)]; }
    bool operator==(const Picture&) const = default;
};

// Waits up to `timeout` for `done` to hold, checking every few milliseconds.
bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// The top-level window titled `title`, once it is mapped, moved to the
// screen's top-left corner.
std::optional<Window> find_window(Display* x, const std::string& title, std::chrono::milliseconds timeout);

// Whether a window titled `title` exists, mapped or not.
bool window_exists(Display* x, const std::string& title);

// Counts the frames a window shows: each one drawn into it reports damage.
struct FrameCounter {
    Display* x;
    Damage damage = 0;
    int event_base = 0;
    long frames = 0;

    FrameCounter(Display* display, Window w);
    FrameCounter(const FrameCounter&) = delete;
    FrameCounter& operator=(const FrameCounter&) = delete;
    ~FrameCounter();

    // Frames shown so far.
    long count();
    // Waits up to `timeout` for `n` more frames.
    bool wait_frames(long n, std::chrono::milliseconds timeout);
};

Picture take_picture(Display* x, Window w);

// The window's icons as its _NET_WM_ICON property holds them: for each,
// width, height, then its ARGB pixels row by row from the top. Empty when it
// has none.
std::vector<unsigned long> window_icons(Display* x, Window w);

// Sends the window manager's close request (WM_DELETE_WINDOW).
void request_close(Display* x, Window w);
