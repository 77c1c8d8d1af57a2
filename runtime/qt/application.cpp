// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend's start-up: the toolkit started under the limits it needs, its failures to reach a
// display turned into the runtime's one-line report, the form created and shown.
#include "runtime/application.h"

#include "desktopservices.h"
#include "qtform.h"
#include "runtime/error.h"

#include <QApplication>
#include <QFontMetrics>
#include <QRandomGenerator>
#include <QScreen>
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runtime {

namespace {

// The toolkit reports through a plain function, so what it needs lives here.
struct Startup {
    // The private runtime directory while it exists, where a signal handler can read it.
    std::array<char, 4096> privateDirectory{};
    std::array<struct sigaction, 3> previousActions{};
    bool done = false;
    QString platform;
    QStringList held;
    QtMessageHandler previous = nullptr;
};

Startup& startup() {
    static Startup state;
    return state;
}

// The signals that end a program at logout or from a terminal.
constexpr std::array<int, 3> endingSignals = {SIGTERM, SIGHUP, SIGINT};

// Safe in a signal handler.
void removePrivateDirectory() noexcept {
    Startup& state = startup();
    if (state.privateDirectory[0] != '\0') {
        rmdir(state.privateDirectory.data());
        state.privateDirectory[0] = '\0';
    }
}

// The directory goes first; then the signal ends the game, as it would have.
void endBySignal(int signal) {
    removePrivateDirectory();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

QString requestedPlatform(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0) {
            return QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    return qEnvironmentVariable("QT_QPA_PLATFORM");
}

std::string whyNoWindow(const QString& platform) {
    if (const QString name = platform.section(u':', 0, 0); !name.isEmpty() && name != u"xcb") {
        return "платформа «" + name.toStdString() + "» недоступна";
    }
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        return "переменная DISPLAY не задана";
    }
    return "дисплей «" + display.toStdString() + "» не отвечает";
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Startup& state = startup();
    if (text.startsWith(u"The X11 connection broke")) {
        terminate(RuntimeError(RuntimeError::Kind::DisplayLost, ""));
    }
    if (type == QtFatalMsg) {
        removePrivateDirectory();
        terminate(state.done
                      ? RuntimeError(RuntimeError::Kind::Internal, text.toStdString())
                      : RuntimeError(RuntimeError::Kind::NoDisplay, whyNoWindow(state.platform)));
    }
    // The screen reader bridge's chatter: key events that a slow or gone screen reader leaves
    // unanswered, events it asks for that the toolkit does not know. The game plays on regardless.
    if (text.startsWith(u"QSpiApplication::keyEventError") ||
        qstrcmp(context.category, "qt.accessibility.atspi") == 0) {
        return;
    }
    // A platform theme's English note that the session bus is not there, where the game has
    // switched it off and said so itself.
    if (qstrcmp(context.category, "qt.qpa.theme.dbus") == 0 &&
        qgetenv("DBUS_SESSION_BUS_ADDRESS") == "disabled:") {
        return;
    }
    if (!state.done) {
        // Held back: if the start fails, the one Russian line replaces them.
        state.held << qFormatLogMessage(type, context, text);
    } else if (state.previous != nullptr) {
        state.previous(type, context, text);
    }
}

// Launchers may start a program with a standard stream closed; the display
// connection would then take its number, and a warning meant for standard error
// would go to the display server.
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

// Below these limits the toolkit hangs, or dies by a signal, instead of failing: they are
// checked before it starts, and the one on open files is raised where the system allows.
constexpr rlim_t filesNeeded = 64;
constexpr rlim_t mebibytesNeeded = 256;

void checkLimits() {
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

// The toolkit looks into the runtime directory as it starts and, where there is none of the
// user's own, makes one in /tmp that outlives the game and says so in English. It is given a
// private one instead, removed as soon as the toolkit has looked, or as soon as the start fails or
// a signal ends it.
class RuntimeDirectory {
  public:
    RuntimeDirectory() {
        const char* given = std::getenv("XDG_RUNTIME_DIR");
        struct stat info {};
        if (given != nullptr && stat(given, &info) == 0 && S_ISDIR(info.st_mode) &&
            info.st_uid == geteuid() && (info.st_mode & 077U) == 0) {
            return;
        }
        const char* temporary = std::getenv("TMPDIR");
        std::string path =
            std::string(temporary != nullptr ? temporary : "/tmp") + "/lemzor-XXXXXX";
        Startup& state = startup();
        if (path.size() >= state.privateDirectory.size()) {
            return;
        }
        struct sigaction ending {};
        ending.sa_handler = endBySignal;
        for (std::size_t i = 0; i < endingSignals.size(); ++i) {
            sigaction(endingSignals.at(i), &ending, &state.previousActions.at(i));
        }
        if (mkdtemp(path.data()) != nullptr) {
            std::copy(path.begin(), path.end(), state.privateDirectory.begin());
            setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
        }
        watching_ = true;
    }
    RuntimeDirectory(const RuntimeDirectory&) = delete;
    RuntimeDirectory& operator=(const RuntimeDirectory&) = delete;
    RuntimeDirectory(RuntimeDirectory&&) = delete;
    RuntimeDirectory& operator=(RuntimeDirectory&&) = delete;
    ~RuntimeDirectory() { remove(); }

    void remove() {
        removePrivateDirectory();
        if (watching_) {
            for (std::size_t i = 0; i < endingSignals.size(); ++i) {
                sigaction(endingSignals.at(i), &startup().previousActions.at(i), nullptr);
            }
            watching_ = false;
        }
    }

  private:
    bool watching_ = false;
};

// Such a density (Xft.dpi, say) makes the window too large to map, or its text too small.
std::string whyImplausible(const QScreen* screen) {
    const qreal density = screen->logicalDotsPerInch() * screen->devicePixelRatio();
    if (density < 48 || density > 960) {
        return "экран заявляет невероятную плотность точек на дюйм: " +
               std::to_string(qRound(density));
    }
    return {};
}

// What a screen and a system need for the window to be readable at all.
std::string whyUnreadable() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr && screen->depth() < 16) {
        return "экран показывает меньше 16 бит цвета";
    }
    if (screen != nullptr) {
        if (std::string why = whyImplausible(screen); !why.empty()) {
            return why;
        }
    }
    // Every text the user sees is Russian.
    if (!QFontMetrics(QGuiApplication::font()).inFont(QChar(u'Л'))) {
        return "нет шрифта с русскими буквами";
    }
    return {};
}

// A density announced while the game runs meets the same bounds: the toolkit would scale the
// window by it before anything else could hold it back. Qt 6.4 reports it as a new logical DPI,
// later versions as a new scale, which changes the screen's geometry.
void watchDensity(QScreen* screen) {
    const auto check = [screen] {
        if (const std::string why = whyImplausible(screen); !why.empty()) {
            terminate(RuntimeError(RuntimeError::Kind::ScreenUnusable, why));
        }
    };
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, screen, check);
    QObject::connect(screen, &QScreen::geometryChanged, screen, check);
}

void finishStartup() {
    Startup& state = startup();
    state.done = true;
    for (const QString& message : std::as_const(state.held)) {
        std::fputs(qPrintable(message + u'\n'), stderr);
    }
    state.held.clear();
}

} // namespace

int run(int argc, char* argv[], const ProgramInfo& info,
        const std::function<std::unique_ptr<Form>()>& createForm) {
    openClosedStandardStreams();
    // A standard error that nobody reads any more must not end the game.
    std::signal(SIGPIPE, SIG_IGN);
    setProgramName(info.name);
    reportUncaughtExceptions();
    checkLimits();
    RuntimeDirectory runtimeDirectory;
    startup().platform = requestedPlatform(argc, argv);
    for (const std::string& without : avoidMuteServices()) {
        std::fputs((info.name + ": " + without + "\n").c_str(), stderr);
    }
    startup().previous = qInstallMessageHandler(handleMessage);

    // The X11 window class, which docks match to the desktop entry.
    QApplication::setApplicationName(QString::fromStdString(info.appId));
    QApplication::setApplicationVersion(QString::fromStdString(info.version));
    QApplication app(argc, argv);
    runtimeDirectory.remove();
    if (const std::string why = whyUnreadable(); !why.empty()) {
        terminate(RuntimeError(RuntimeError::Kind::NoDisplay, why));
    }
    finishStartup();
    dropAccessibilityEventsWhenUnread();
    for (QScreen* screen : QGuiApplication::screens()) {
        watchDensity(screen);
    }
    QObject::connect(&app, &QGuiApplication::screenAdded, &app, watchDensity);
    QGuiApplication::setDesktopFileName(QString::fromStdString(info.appId));

    std::unique_ptr<Form> form;
    guarded([&] { form = createForm(); });
    form->loadAndShow();
    return QApplication::exec();
}

// The toolkit's system source is loaded already; the standard library's would add its own.
std::uint64_t systemSeed() {
    return QRandomGenerator::system()->generate64();
}

} // namespace runtime
