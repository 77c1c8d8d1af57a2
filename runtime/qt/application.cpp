// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend's start-up: the toolkit started under the limits it needs, its failures to reach a
// display turned into the runtime's one-line report, the form created and shown.
#include "runtime/application.h"

#include "desktopservices.h"
#include "process.h"
#include "qtform.h"
#include "runtime/density.h"
#include "runtime/error.h"
#include "startguard.h"
#include "x11keys.h"

#include <QApplication>
#include <QFontMetrics>
#include <QRandomGenerator>
#include <QScreen>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    // unanswered or answers late, events it asks for that the toolkit does not know. The game
    // plays on regardless.
    if (text.startsWith(u"QSpiApplication::") ||
        qstrcmp(context.category, "qt.accessibility.atspi") == 0) {
        return;
    }
    // The runtime directory, which the game has seen to before the toolkit started; an input
    // method that is not there, which the game does without; a display without RandR, whose one
    // screen the toolkit then takes as it is.
    if (text.startsWith(u"QStandardPaths: ") || text.startsWith(u"QIBusPlatformInputContext: ") ||
        text.startsWith(u"There is no XRandR")) {
        return;
    }
    // A platform theme's English notes that the session bus is not there, where the game has
    // switched it off and said so itself.
    if (QByteArrayView(context.category).startsWith("qt.qpa.theme") &&
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
std::string whyImplausible(const QScreen* screen) {
    return whyImplausibleDensity(screen->logicalDotsPerInch() * screen->devicePixelRatio());
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

// The screen reader bridge takes every key press the window system delivers, asks the screen
// reader about it and hands it on when answered. While the accessibility bus reads nothing, the
// questions would pile up in memory: the key goes straight to the window, as one the program sends
// itself, which the bridge lets pass.
class Application : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (event->spontaneous() &&
            (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
            accessibilityUnread()) {
            return QCoreApplication::sendEvent(receiver, event);
        }
        return QApplication::notify(receiver, event);
    }
};

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
    startup().platform = requestedPlatform(argc, argv);
    startguard::arm(
        argv,
        report(RuntimeError(RuntimeError::Kind::NoDisplay, whyNoWindow(startup().platform)),
               info.name),
        removePrivateDirectory);
    RuntimeDirectory runtimeDirectory;
    const std::vector<std::string> without =
        startguard::isRestart()
            ? std::vector<std::string>{"рабочий стол не ответил вовремя, игра начата заново без "
                                       "его служб (без программ экранного доступа и метода "
                                       "ввода)."}
            : avoidMuteServices(startup().platform.isEmpty() ||
                                startup().platform.startsWith(u"xcb"));
    for (const std::string& service : without) {
        std::fputs((info.name + ": " + service + "\n").c_str(), stderr);
    }
    startup().previous = qInstallMessageHandler(handleMessage);

    // The X11 window class, which docks match to the desktop entry.
    QApplication::setApplicationName(QString::fromStdString(info.appId));
    QApplication::setApplicationVersion(QString::fromStdString(info.version));
    Application app(argc, argv);
    runtimeDirectory.remove();
    if (const std::string why = whyUnreadable(); !why.empty()) {
        terminate(RuntimeError(RuntimeError::Kind::NoDisplay, why));
    }
    finishStartup();
    // Qt 6.11's offscreen platform answers for X11 too, without a connection.
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        x11 != nullptr && x11->connection() != nullptr) {
        sendHeldKeysAsRepeatedPresses(x11->connection());
    }
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
