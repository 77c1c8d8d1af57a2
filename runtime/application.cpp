#include "application.h"

#include "error.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

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
    startup().platform = requestedPlatform(argc, argv);
    // Outside a desktop session the toolkit's D-Bus library would launch a
    // session bus of its own, a daemon that outlives the game; "disabled:" is
    // an address it cannot use, so it gives up at once instead.
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    startup().previous = qInstallMessageHandler(handleMessage);

    QApplication::setApplicationName(info.name);
    QApplication::setApplicationVersion(info.version);
    QApplication app(argc, argv);
    finishStartup();
    QGuiApplication::setDesktopFileName(info.desktopFileName);

    std::unique_ptr<Form> form;
    guarded([&] { form = createForm(); });
    form->loadAndShow();
    return QApplication::exec();
}

} // namespace runtime
