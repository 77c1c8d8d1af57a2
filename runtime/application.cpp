// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "error.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QScreen>
#include <csignal>
#include <cstdio>
#include <fcntl.h>

namespace runtime {

namespace {

// The toolkit reports through a plain function, so what it needs lives here.
struct Startup {
    bool done = false;
    QString platform;
    QStringList held;
    QtMessageHandler previous = nullptr;
};

Startup& startup() {
    static Startup state;
    return state;
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
    if (!platform.isEmpty() && !platform.startsWith(u"xcb")) {
        return "платформа «" + platform.section(u':', 0, 0).toStdString() + "» недоступна";
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
        terminate(state.done
                      ? RuntimeError(RuntimeError::Kind::Internal, text.toStdString())
                      : RuntimeError(RuntimeError::Kind::NoDisplay, whyNoWindow(state.platform)));
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
        if (fcntl(fd, F_GETFD) == -1) {
            // The lowest free number: this one.
            open("/dev/null", O_RDWR); // NOLINT(cppcoreguidelines-pro-type-vararg)
        }
    }
}

// What a screen and a system need for the window to be readable at all.
std::string whyUnreadable() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr && screen->depth() < 16) {
        return "экран показывает меньше 16 бит цвета";
    }
    // Every text the user sees is Russian.
    if (!QFontMetrics(QGuiApplication::font()).inFont(QChar(u'Л'))) {
        return "нет шрифта с русскими буквами";
    }
    return {};
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
    setProgramName(info.name.toStdString());
    startup().platform = requestedPlatform(argc, argv);
    // Outside a desktop session the toolkit's D-Bus library would launch a
    // session bus of its own, a daemon that outlives the game; "disabled:" is
    // an address it cannot use, so it gives up at once instead.
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    startup().previous = qInstallMessageHandler(handleMessage);

    // The X11 window class, which docks match to the desktop entry.
    QApplication::setApplicationName(info.desktopFileName);
    QApplication::setApplicationVersion(info.version);
    QApplication app(argc, argv);
    if (const std::string why = whyUnreadable(); !why.empty()) {
        terminate(RuntimeError(RuntimeError::Kind::NoDisplay, why));
    }
    finishStartup();
    QGuiApplication::setDesktopFileName(info.desktopFileName);

    std::unique_ptr<Form> form;
    guarded([&] { form = createForm(); });
    form->loadAndShow();
    return QApplication::exec();
}

} // namespace runtime
