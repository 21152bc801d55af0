// SPDX-License-Identifier: MIT
// Private X displays and child processes for window tests.
#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

Child::~Child()
{
    if (out >= 0) {
        close(out);
    }
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::optional<int> Child::wait_exit(std::chrono::milliseconds timeout)
{
    std::optional<int> result;
    wait_for(
        [&] {
            int status = 0;
            if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                result = WIFEXITED(status) ? WEXITSTATUS(status) : -1 - WTERMSIG(status);
            }
            return result.has_value();
        },
        timeout);
    return result;
}

bool Child::running()
{
    return pid > 0 && !wait_exit(0ms).has_value();
}

std::string Child::read_output(std::chrono::milliseconds timeout, bool one_line)
{
    std::string text;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (out >= 0 && (!one_line || text.empty() || text.back() != '\n')) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{out, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buf[256];
        const ssize_t n = read(out, buf, one_line ? 1 : sizeof buf);
        if (n <= 0) {
            break;
        }
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

namespace {

// Forks and execs `argv`; `prepare` runs in the child first.
pid_t spawn(const std::vector<std::string>& argv, const std::function<void()>& prepare)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // Ends with the test even if the test dies before it can end it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        prepare();
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    return pid;
}

// Fills a pipe up to its capacity with '.'.
void fill_pipe(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    const std::string dots(4096, '.');
    while (write(fd, dots.data(), dots.size()) > 0) {
    }
    fcntl(fd, F_SETFL, flags);
}

}  // namespace

void start_child(Child& child, const std::vector<std::string>& argv, const std::string& display, Output output)
{
    const bool capture = output == Output::captured || output == Output::captured_full;
    int fds[2] = {-1, -1};
    if (capture && pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (output == Output::captured_full) {
        fill_pipe(fds[1]);
    }
    child.pid = spawn(argv, [&] {
        if (!display.empty()) {
            setenv("DISPLAY", display.c_str(), 1);
        }
        if (capture) {
            dup2(fds[1], STDOUT_FILENO);
        } else if (output == Output::closed) {
            close(STDOUT_FILENO);
            close(STDERR_FILENO);
        }
    });
    if (capture) {
        close(fds[1]);
        child.out = fds[0];
    }
}

bool waits_on_full_pipe(pid_t pid)
{
    std::ifstream wchan("/proc/" + std::to_string(pid) + "/wchan");
    std::string where;
    wchan >> where;
    return where.find("pipe_write") != std::string::npos;  // anon_pipe_write on newer kernels
}

int run(const std::vector<std::string>& argv, const std::string& display)
{
    Child c;
    start_child(c, argv, display, Output::inherited);
    return c.wait_exit(30s).value_or(-1);
}

VirtualDisplay::VirtualDisplay()
{
    // Xvfb picks a free display number and writes it to the given pipe once
    // it accepts connections.
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    server.pid =
        spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, [&] {
            close(fds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
        });
    close(fds[1]);
    server.out = fds[0];
    std::string number = server.read_output(20s, true);
    while (!number.empty() && (number.back() == '\n')) {
        number.pop_back();
    }
    if (number.empty()) {
        throw std::runtime_error("Xvfb did not start");
    }
    name = ":" + number;
    x = XOpenDisplay(name.c_str());
    if (x == nullptr) {
        throw std::runtime_error("cannot connect to " + name);
    }
    // A request on a window that has just gone, or is not viewable yet,
    // fails the one call instead of ending the test process.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

VirtualDisplay::~VirtualDisplay()
{
    if (x != nullptr) {
        XCloseDisplay(x);
    }
}

bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

namespace {

std::optional<Window> search(Display* x, Window w, const std::string& title, bool viewable)
{
    char* name = nullptr;
    if (XFetchName(x, w, &name) != 0 && name != nullptr) {
        const bool match = title == name;
        XFree(name);
        XWindowAttributes a;
        if (match && (!viewable || (XGetWindowAttributes(x, w, &a) != 0 && a.map_state == IsViewable))) {
            return w;
        }
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned n = 0;
    std::optional<Window> found;
    if (XQueryTree(x, w, &root, &parent, &children, &n) != 0) {
        for (unsigned i = 0; i < n && !found; ++i) {
            found = search(x, children[i], title, viewable);
        }
        XFree(children);
    }
    return found;
}

}  // namespace

std::optional<Window> find_window(Display* x, const std::string& title, std::chrono::milliseconds timeout)
{
    std::optional<Window> found;
    wait_for(
        [&] {
            found = search(x, DefaultRootWindow(x), title, true);
            return found.has_value();
        },
        timeout);
    if (found) {
        // With no window manager the window may hang over the screen's
        // edge, where no picture can be taken of it.
        XMoveWindow(x, *found, 0, 0);
        XSync(x, False);
    }
    return found;
}

bool window_exists(Display* x, const std::string& title)
{
    return search(x, DefaultRootWindow(x), title, false).has_value();
}

std::vector<unsigned long> window_icons(Display* x, Window w)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    const Atom icon = XInternAtom(x, "_NET_WM_ICON", False);
    std::vector<unsigned long> icons;
    if (XGetWindowProperty(x, w, icon, 0, 1L << 20, False, XA_CARDINAL, &type, &format, &count, &left, &data) ==
            Success &&
        format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);  // 32-bit items come as longs
        icons.assign(values, values + count);
    }
    XFree(data);
    return icons;
}

FrameCounter::FrameCounter(Display* display, Window w) : x(display)
{
    int error_base = 0;
    if (XDamageQueryExtension(x, &event_base, &error_base) == 0) {
        throw std::runtime_error("the X server has no DAMAGE extension");
    }
    damage = XDamageCreate(x, w, XDamageReportNonEmpty);
    XSync(x, False);
}

FrameCounter::~FrameCounter()
{
    XDamageDestroy(x, damage);
    XSync(x, False);
}

long FrameCounter::count()
{
    XSync(x, False);
    while (XPending(x) > 0) {
        XEvent e;
        XNextEvent(x, &e);
        if (e.type == event_base + XDamageNotify) {
            ++frames;
            // Cleared, so that the next drawing reports again.
            XDamageSubtract(x, damage, None, None);
        }
    }
    return frames;
}

bool FrameCounter::wait_frames(long n, std::chrono::milliseconds timeout)
{
    const long target = count() + n;
    return wait_for([&] { return count() >= target; }, timeout);
}

Picture take_picture(Display* x, Window w)
{
    XWindowAttributes a;
    XGetWindowAttributes(x, w, &a);
    XImage* image =
        XGetImage(x, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    Picture p;
    if (image == nullptr) {
        return p;
    }
    p.width = a.width;
    p.height = a.height;
    p.rgb.reserve(3 * static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height));
    for (int y = 0; y < a.height; ++y) {
        for (int i = 0; i < a.width; ++i) {
            const unsigned long px = XGetPixel(image, i, y);
            p.rgb.push_back(static_cast<std::uint8_t>((px & image->red_mask) >> 16));
            p.rgb.push_back(static_cast<std::uint8_t>((px & image->green_mask) >> 8));
            p.rgb.push_back(static_cast<std::uint8_t>(px & image->blue_mask));
        }
    }
    XDestroyImage(image);
    return p;
}

void request_close(Display* x, Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, w, False, NoEventMask, &e);
    XFlush(x);
}
