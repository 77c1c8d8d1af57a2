// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "startguard.h"

#include <array>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace runtime::startguard {

namespace {

// The box is due within five seconds; the start made anew takes a fraction of the last one.
constexpr int boundSeconds = 4;

constexpr std::string_view restartMark = "LEMZOR_STARTED_ANEW=1";

// What the start made anew is given instead of the desktop's services: no session bus (and so no
// accessibility bus, portal or settings daemon), no GTK accessibility bridge, Qt's plain input.
constexpr std::array withoutServices = {std::string_view("DBUS_SESSION_BUS_ADDRESS=disabled:"),
                                        std::string_view("NO_AT_BRIDGE=1"),
                                        std::string_view("QT_IM_MODULE=compose"), restartMark};
constexpr std::array servicesNamed = {"DBUS_SESSION_BUS_ADDRESS=",
                                      "AT_SPI_BUS_ADDRESS=",
                                      "NO_AT_BRIDGE=",
                                      "QT_IM_MODULE=",
                                      "QT_IM_MODULES=",
                                      "IBUS_USE_PORTAL=",
                                      "IBUS_ADDRESS=",
                                      "QT_LINUX_ACCESSIBILITY_ALWAYS_ON="};

// Everything the signal handler needs, made before the clock starts.
struct Guard {
    char** argv = nullptr;
    std::vector<std::string> environment;
    std::vector<char*> envp;
    std::string report;
    void (*cleanUp)() noexcept = nullptr;
    struct sigaction previous {};
};

Guard& guard() {
    static Guard state;
    return state;
}

void onHeldUp(int /*signal*/) {
    Guard& state = guard();
    if (state.cleanUp != nullptr) {
        state.cleanUp();
    }
    if (!state.envp.empty()) {
        // The handler's own signal stays blocked across exec unless unblocked here.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execve("/proc/self/exe", state.argv, state.envp.data());
    }
    if (write(STDERR_FILENO, state.report.data(), state.report.size()) < 0) {
        // Nowhere left to say it.
    }
    _exit(EXIT_FAILURE);
}

void setTimer(int seconds) {
    itimerval timer{};
    timer.it_value.tv_sec = seconds;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace

bool isRestart() {
    const char* mark =
        std::getenv(std::string(restartMark.substr(0, restartMark.find('='))).c_str());
    return mark != nullptr;
}

void arm(char* argv[], const std::string& report, void (*cleanUp)() noexcept) {
    Guard& state = guard();
    state.argv = argv;
    state.report = report + '\n';
    state.cleanUp = cleanUp;
    if (!isRestart()) {
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string_view text(*entry);
            bool named = false;
            for (const std::string_view name : servicesNamed) {
                named = named || text.starts_with(name);
            }
            if (!named) {
                state.environment.emplace_back(text);
            }
        }
        state.environment.insert(state.environment.end(), withoutServices.begin(),
                                 withoutServices.end());
        for (std::string& entry : state.environment) {
            state.envp.push_back(entry.data());
        }
        state.envp.push_back(nullptr);
    }
    struct sigaction heldUp {};
    heldUp.sa_handler = onHeldUp;
    sigaction(SIGALRM, &heldUp, &state.previous);
    setTimer(boundSeconds);
}

void pause() {
    if (guard().argv != nullptr) {
        setTimer(0);
    }
}

void resume() {
    if (guard().argv != nullptr) {
        setTimer(boundSeconds);
    }
}

void disarm() {
    Guard& state = guard();
    if (state.argv != nullptr) {
        setTimer(0);
        sigaction(SIGALRM, &state.previous, nullptr);
        state.argv = nullptr;
    }
}

} // namespace runtime::startguard
