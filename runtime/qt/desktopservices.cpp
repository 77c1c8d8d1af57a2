// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopservices.h"

#include "busprobe.h"

#include <QAccessible>
#include <QDBusConnection>
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dbus/dbus.h>
#include <memory>
#include <span>
#include <string_view>
#include <xcb/xcb.h>

namespace runtime {

namespace {

// A service busy at login still answers within this, all questions together.
constexpr std::chrono::milliseconds patience{2500};

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The accessibility bus that a launcher names on the X root window, which the toolkit also tries
// (programs run as root find no launcher of theirs). Where the display does not answer, neither
// will the toolkit's; the last guard on the start sees to that.
std::string accessibilityBusOnRootWindow() {
    int screenNumber = 0;
    xcb_connection_t* display = xcb_connect(nullptr, &screenNumber);
    std::string address;
    if (xcb_connection_has_error(display) == 0) {
        constexpr std::string_view name = "AT_SPI_BUS";
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(display, xcb_intern_atom(display, 1, name.size(), name.data()),
                                  nullptr),
            &std::free);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(display));
        for (; screens.rem > 0 && screenNumber > 0; --screenNumber) {
            xcb_screen_next(&screens);
        }
        if (atom && atom->atom != XCB_ATOM_NONE && screens.rem > 0) {
            constexpr std::uint32_t longest = 1024;
            const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
                xcb_get_property_reply(display,
                                       xcb_get_property(display, 0, screens.data->root, atom->atom,
                                                        XCB_ATOM_STRING, 0, longest),
                                       nullptr),
                &std::free);
            if (property) {
                address.assign(
                    static_cast<const char*>(xcb_get_property_value(property.get())),
                    static_cast<std::size_t>(xcb_get_property_value_length(property.get())));
            }
        }
    }
    xcb_disconnect(display);
    return address;
}

// Each way the toolkit finds the accessibility bus, in its order; launcher: what the session bus
// answered for its address, then for whether accessibility is on.
bool accessibilityIsMute(std::span<const CallResult> launcher, bool x11, const Deadline& deadline) {
    using Outcome = CallResult::Outcome;
    if (const std::string_view given = environment("AT_SPI_BUS_ADDRESS"); !given.empty()) {
        return askBus(given, deadline) == BusAnswer::Mute;
    }
    if (launcher.front().outcome == Outcome::NotAsked) {
        return false;
    }
    if (std::ranges::any_of(
            launcher, [](const CallResult& call) { return call.outcome == Outcome::Unanswered; })) {
        return true;
    }
    // Where the launcher is not running, the bus says so at once: it is not started for a
    // question, nor by the toolkit.
    const std::string_view address =
        launcher.front().outcome == Outcome::Returned ? launcher.front().text : std::string_view();
    if (!address.empty()) {
        return askBus(address, deadline) == BusAnswer::Mute;
    }
    // A running launcher writes its own bus there: only one that is gone leaves another.
    if (x11) {
        const std::string onRoot = accessibilityBusOnRootWindow();
        return !onRoot.empty() && askBus(onRoot, deadline) == BusAnswer::Mute;
    }
    return false;
}

bool ibusRequested() {
    const std::string_view requested = std::getenv("QT_IM_MODULES") != nullptr
                                           ? environment("QT_IM_MODULES")
                                           : environment("QT_IM_MODULE");
    return requested == "ibus" || requested.starts_with("ibus;") ||
           requested.find(";ibus") != std::string_view::npos;
}

// A small file's text; empty where it cannot be read.
std::string textOf(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "re")) {
        // A character at a time: the files are a line or two, and getc has no fortified variant
        // for the hardening checks to miss.
        for (int character = std::getc(file); character != EOF; character = std::getc(file)) {
            text += static_cast<char>(character);
        }
        std::fclose(file);
    }
    return text;
}

std::string firstLineOf(const std::string& path) {
    std::string text = textOf(path);
    text.resize(std::min(text.size(), text.find('\n')));
    return text;
}

// Where IBus writes its address for this display, as the toolkit looks for it.
std::string ibusAddressFile() {
    std::string machine = firstLineOf("/etc/machine-id");
    if (machine.empty()) {
        machine = firstLineOf("/var/lib/dbus/machine-id");
    }
    const std::string_view config = environment("XDG_CONFIG_HOME");
    const std::string_view home = environment("HOME");
    if (machine.empty() || (config.empty() && home.empty())) {
        return {};
    }
    const std::string_view display = environment("DISPLAY");
    const std::size_t colon = display.find(':');
    const std::string_view host =
        colon != std::string_view::npos && colon > 0 ? display.substr(0, colon) : "unix";
    std::string_view number = colon == std::string_view::npos ? display : display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    return (config.empty() ? std::string(home) + "/.config" : std::string(config)) + "/ibus/bus/" +
           machine + "-" + std::string(host) + "-" + std::string(number);
}

// The IBus daemon as the toolkit reaches it: where asked to, through its portal on the session bus,
// which may be started for it; else at the address it wrote for this display, if the daemon it
// names is alive. The portal is asked last and apart, so that its silence costs no other service
// its time.
bool ibusIsMute(const char* sessionAddress, const Deadline& deadline) {
    if (std::getenv("IBUS_USE_PORTAL") != nullptr) {
        const std::array ping{BusCall{"org.freedesktop.portal.IBus",
                                      "/org/freedesktop/IBus",
                                      "org.freedesktop.DBus.Peer",
                                      "Ping",
                                      {},
                                      true}};
        std::array<CallResult, 1> answer;
        return sessionAddress != nullptr &&
               askBus(sessionAddress, deadline, ping, answer) == BusAnswer::Answers &&
               answer[0].outcome == CallResult::Outcome::Unanswered;
    }
    const std::string path = ibusAddressFile();
    if (path.empty()) {
        return false;
    }
    const std::string text = textOf(path);
    std::string_view address;
    long daemon = -1;
    for (std::string_view rest = text; !rest.empty();) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(rest.size(), line.size() + 1));
        constexpr std::string_view addressKey = "IBUS_ADDRESS=";
        constexpr std::string_view daemonKey = "IBUS_DAEMON_PID=";
        if (line.starts_with(addressKey)) {
            address = line.substr(addressKey.size());
        } else if (line.starts_with(daemonKey)) {
            daemon = std::strtol(std::string(line.substr(daemonKey.size())).c_str(), nullptr, 10);
        }
    }
    return daemon > 0 && kill(static_cast<pid_t>(daemon), 0) == 0 &&
           askBus(address, deadline) == BusAnswer::Mute;
}

void doWithoutSessionBus() {
    // "disabled:" is an address the D-Bus library cannot use, so it gives up at once.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    unsetenv("AT_SPI_BUS_ADDRESS");
    // GTK's accessibility bridge, which a GTK platform theme brings along.
    setenv("NO_AT_BRIDGE", "1", 1);
}

// What the toolkit's screen reader bridge may leave unsent before the events are dropped: far
// more than a screen reader that keeps up ever lets gather.
constexpr long unsentLimit = 1L << 20U;

void passOnUnlessUnread(QAccessibleEvent* event) {
    if (accessibilityUnread()) {
        return;
    }
    // The toolkit's own handling, which an installed handler replaces.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(passOnUnlessUnread);
}

} // namespace

bool accessibilityUnread() {
    // The bridge's own connection, by the name it gives it.
    const QDBusConnection bus(QStringLiteral("a11y"));
    return bus.isConnected() &&
           dbus_connection_get_outgoing_size(static_cast<DBusConnection*>(bus.internalPointer())) >
               unsentLimit;
}

void dropAccessibilityEventsWhenUnread() {
    QAccessible::installUpdateHandler(passOnUnlessUnread);
}

std::vector<std::string> avoidMuteServices(bool x11) {
    std::vector<std::string> without;
    const Deadline deadline(patience);
    // What the toolkit asks of the session bus, in the first write: the launcher, which the
    // toolkit asks without a limit whether accessibility is on and where its bus is.
    constexpr std::array<std::string_view, 2> screenReader{"org.a11y.Status",
                                                           "ScreenReaderEnabled"};
    constexpr std::array<std::string_view, 2> enabled{"org.a11y.Status", "IsEnabled"};
    const std::array calls{
        BusCall{"org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", {}},
        BusCall{"org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get",
                screenReader},
        BusCall{"org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get", enabled},
    };
    std::array<CallResult, calls.size()> answers;
    const char* sessionAddress = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (sessionAddress == nullptr) {
        // Outside a desktop session the D-Bus library would start a session bus of its own, a
        // daemon that outlives the game.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    } else if (askBus(sessionAddress, deadline, calls, answers) == BusAnswer::Mute) {
        doWithoutSessionBus();
        without.emplace_back(
            "шина сеанса D-Bus не отвечает, игра идёт без неё (без программ экранного доступа).");
    }
    if (accessibilityIsMute(answers, x11, deadline)) {
        doWithoutSessionBus();
        without.emplace_back("служба специальных возможностей не отвечает, игра идёт без неё (без "
                             "программ экранного доступа).");
    }
    if (ibusRequested() && ibusIsMute(std::getenv("DBUS_SESSION_BUS_ADDRESS"), deadline)) {
        setenv("QT_IM_MODULE", "compose", 1);
        unsetenv("QT_IM_MODULES");
        without.emplace_back("метод ввода IBus не отвечает, игра идёт без него.");
    }
    return without;
}

} // namespace runtime
