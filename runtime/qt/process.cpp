// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "process.h"

#include "runtime/error.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runtime {

namespace {

// Where a signal handler can read it.
struct PrivateDirectory {
    // Its path while it exists.
    std::array<char, 4096> path{};
    std::array<struct sigaction, NSIG> previousActions{};
    std::array<bool, NSIG> caught{};
};

PrivateDirectory& privateDirectory() {
    static PrivateDirectory state;
    return state;
}

// Whether the signal's default action ends the process (all but these, and those that cannot be
// caught).
bool endsProcess(int signal) {
    switch (signal) {
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGCONT:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
    case SIGURG:
    case SIGWINCH:
        return false;
    default:
        return true;
    }
}

// The directory goes first; then the signal ends the game, as it would have.
void endBySignal(int signal) {
    removePrivateDirectory();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void removePrivateDirectory() noexcept {
    PrivateDirectory& state = privateDirectory();
    if (state.path[0] != '\0') {
        rmdir(state.path.data());
        state.path[0] = '\0';
    }
}

void openClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) {
            continue;
        }
        // The lowest free number: this one. Where there is no /dev/null (a private mount), a pipe
        // holds the number just as well; what is written to it goes nowhere.
        std::array<int, 2> ends{};
        if (open("/dev/null", O_RDWR) == -1 && pipe(ends.data()) == 0 && ends[1] > 2) {
            close(ends[1]);
        }
        if (fcntl(fd, F_GETFD) == -1) {
            std::_Exit(EXIT_FAILURE);
        }
    }
}

namespace {

constexpr rlim_t filesNeeded = 64;
constexpr rlim_t mebibytesNeeded = 256;
constexpr rlim_t stackKibibytesNeeded = 1024;

} // namespace

void checkLimits() {
    // The main thread's stack grows up to the soft limit as it is at the time.
    rlimit stack{};
    if (getrlimit(RLIMIT_STACK, &stack) == 0 && stack.rlim_cur < stackKibibytesNeeded << 10U) {
        stack.rlim_cur = std::min(stack.rlim_max, stackKibibytesNeeded << 10U);
        setrlimit(RLIMIT_STACK, &stack);
        if (stack.rlim_cur < stackKibibytesNeeded << 10U) {
            terminate(RuntimeError(
                RuntimeError::Kind::Limits,
                "стек процесса не больше " + std::to_string(stack.rlim_cur >> 10U) +
                    " КиБ, а игре нужно " + std::to_string(stackKibibytesNeeded) + " КиБ"));
        }
        // The toolkit's threads take their stacks from the limit as it was when the program
        // started.
        pthread_attr_t threads;
        if (pthread_getattr_default_np(&threads) == 0) {
            pthread_attr_setstacksize(&threads, stackKibibytesNeeded << 10U);
            pthread_setattr_default_np(&threads);
            pthread_attr_destroy(&threads);
        }
    }
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < filesNeeded) {
        files.rlim_cur = std::min(files.rlim_max, filesNeeded);
        setrlimit(RLIMIT_NOFILE, &files);
        if (files.rlim_cur < filesNeeded) {
            terminate(RuntimeError(RuntimeError::Kind::Limits,
                                   "можно открыть не больше " + std::to_string(files.rlim_cur) +
                                       " файлов, а игре нужно " + std::to_string(filesNeeded)));
        }
    }
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit memory{};
        if (getrlimit(resource, &memory) == 0 && memory.rlim_cur < mebibytesNeeded << 20U) {
            terminate(RuntimeError(RuntimeError::Kind::NoMemory,
                                   "процессу разрешено " + std::to_string(memory.rlim_cur >> 20U) +
                                       " МиБ, а игре нужно " + std::to_string(mebibytesNeeded) +
                                       " МиБ"));
        }
    }
}

RuntimeDirectory::RuntimeDirectory() {
    const char* given = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (given != nullptr && stat(given, &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == geteuid() && (info.st_mode & 077U) == 0) {
        return;
    }
    PrivateDirectory& state = privateDirectory();
    // Every signal that would end the game while the directory exists takes it along, but
    // those the program has set aside for itself.
    struct sigaction ending {};
    ending.sa_handler = endBySignal;
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (endsProcess(signal) && sigaction(signal, nullptr, &current) == 0 &&
            current.sa_handler == SIG_DFL) {
            state.caught.at(signal) =
                sigaction(signal, &ending, &state.previousActions.at(signal)) == 0;
        }
    }
    watching_ = true;
    // A TMPDIR that is missing or full is passed over, as the toolkit would not.
    const char* temporary = std::getenv("TMPDIR");
    for (const char* folder : {temporary, "/tmp", "/dev/shm", "/var/tmp"}) {
        if (folder == nullptr || *folder == '\0') {
            continue;
        }
        std::string path = std::string(folder) + "/lemzor-XXXXXX";
        if (path.size() < state.path.size() && mkdtemp(path.data()) != nullptr) {
            std::copy(path.begin(), path.end(), state.path.begin());
            setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
            return;
        }
    }
}
RuntimeDirectory::~RuntimeDirectory() {
    remove();
}

void RuntimeDirectory::remove() {
    removePrivateDirectory();
    if (watching_) {
        PrivateDirectory& state = privateDirectory();
        for (int signal = 1; signal < NSIG; ++signal) {
            if (state.caught.at(signal)) {
                sigaction(signal, &state.previousActions.at(signal), nullptr);
                state.caught.at(signal) = false;
            }
        }
        watching_ = false;
    }
}

} // namespace runtime
