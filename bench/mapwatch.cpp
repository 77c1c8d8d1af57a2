// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a program in an X server and times it from outside, as the X server
// sees it: from the start of the process to the map of its credit box, and
// from the dismissal of the box (a close request, as its close button sends)
// to the map of the main window. Then reads the process's peak resident memory
// and closes the window.
//   mapwatch PROGRAM        prints: box_ms window_ms peak_kib exit_status

#include "process_memory.h"

#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Xlib hands events and properties over as unions and raw bytes.
// NOLINTBEGIN(cppcoreguidelines-pro-type-union-access,cppcoreguidelines-pro-type-reinterpret-cast)

namespace {

using Clock = std::chrono::steady_clock;

std::string titleOf(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 256, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return title;
}

bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// A window with this title on the screen, among the root's children and the window manager's
// frames.
Window findViewable(Display* display, Window parent, const std::string& title, int depth) {
    Window root = 0;
    Window above = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, parent, &root, &above, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        if (titleOf(display, children[i]) == title && isViewable(display, children[i])) {
            found = children[i];
        } else if (depth > 0) {
            found = findViewable(display, children[i], title, depth - 1);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// Waits for a top-level window with this title to be on the screen: mapped, its title set before
// or after, or already there unseen. Returns it, or 0 once the time is up.
Window awaitMap(Display* display, const std::string& title) {
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            Window window = 0;
            if (event.type == CreateNotify &&
                event.xcreatewindow.parent == DefaultRootWindow(display)) {
                XSelectInput(display, event.xcreatewindow.window,
                             StructureNotifyMask | PropertyChangeMask);
            } else if (event.type == MapNotify) {
                window = event.xmap.window;
            } else if (event.type == PropertyNotify) {
                window = event.xproperty.window;
            }
            if (window != 0 && titleOf(display, window) == title && isViewable(display, window)) {
                return window;
            }
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        if (poll(&connection, 1, 50) == 0) {
            if (const Window window = findViewable(display, DefaultRootWindow(display), title, 1)) {
                return window;
            }
        }
    }
    return 0;
}

void requestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// A window may be gone by the time its title is asked for; it is simply not
// the one awaited.
int ignoreError(Display* /*display*/, XErrorEvent* /*error*/) {
    return 0;
}

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

// NOLINTEND(cppcoreguidelines-pro-type-union-access,cppcoreguidelines-pro-type-reinterpret-cast)

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mapwatch PROGRAM\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "mapwatch: no display\n");
        return 2;
    }
    XSetErrorHandler(ignoreError);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const auto started = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(argv[1], argv[1], nullptr);
        _exit(127);
    }
    const auto gone = [&](const char* title) {
        std::fprintf(stderr, "mapwatch: %s showed no window «%s» within 30 s\n", argv[1], title);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 3;
    };
    const Window box = awaitMap(display, "Автор");
    if (box == 0) {
        return gone("Автор");
    }
    const auto boxShown = Clock::now();
    // Let the box settle as a person would before answering it.
    usleep(100000);
    const auto dismissed = Clock::now();
    requestClose(display, box);
    const Window window = awaitMap(display, "Лемзор");
    if (window == 0) {
        return gone("Лемзор");
    }
    const auto windowShown = Clock::now();
    usleep(200000);
    const long peak = process_memory::statusKiB("VmHWM:", std::to_string(pid));
    requestClose(display, window);
    int status = 0;
    waitpid(pid, &status, 0);
    std::printf("%.2f %.2f %ld %d\n", msBetween(started, boxShown),
                msBetween(dismissed, windowShown), peak,
                WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    XCloseDisplay(display);
    return 0;
}
