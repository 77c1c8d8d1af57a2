// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopservices.h"

#include "busprobe.h"

#include <QAccessible>
#include <QDBusConnection>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dbus/dbus.h>
#include <memory>
#include <optional>
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

struct ConnectionCloser {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

struct Error : DBusError {
    Error() : DBusError() { dbus_error_init(this); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    Error(Error&&) = delete;
    Error& operator=(Error&&) = delete;
    ~Error() { dbus_error_free(this); }
};

// A call answered by the deadline, or the error in its place.
Message call(DBusConnection* bus, Message request, Error& error, const Deadline& deadline) {
    return Message(dbus_connection_send_with_reply_and_block(
        bus, request.get(), std::max(1, deadline.millisecondsLeft()), &error));
}

bool unanswered(const Error& error) {
    return dbus_error_has_name(&error, DBUS_ERROR_NO_REPLY) != FALSE ||
           dbus_error_has_name(&error, DBUS_ERROR_TIMEOUT) != FALSE;
}

using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;

// A connection of our own to the session bus, which has already answered a Hello of ours.
Connection sessionBusConnection(const char* address, const Deadline& deadline) {
    Error error;
    Connection bus(dbus_connection_open_private(address, &error));
    if (bus && !call(bus.get(),
                     Message(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS,
                                                          DBUS_INTERFACE_DBUS, "Hello")),
                     error, deadline)) {
        bus.reset();
    }
    return bus;
}

// The accessibility bus as its launcher on the session bus gives it: empty where there is no
// launcher, none where the launcher does not answer. The toolkit asks it without a limit.
std::optional<std::string> accessibilityBus(DBusConnection* bus, const Deadline& deadline) {
    Message request(dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                 "GetAddress"));
    // A launcher that is not running is not started for a question, nor by the toolkit.
    dbus_message_set_auto_start(request.get(), FALSE);
    Error error;
    const Message reply(call(bus, std::move(request), error, deadline));
    const char* address = nullptr;
    if (!reply) {
        return unanswered(error) ? std::nullopt : std::optional<std::string>("");
    }
    if (dbus_message_get_args(reply.get(), &error, DBUS_TYPE_STRING, &address, DBUS_TYPE_INVALID) ==
        FALSE) {
        return "";
    }
    return address;
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

// Each way the toolkit finds the accessibility bus, in its order.
bool accessibilityIsMute(DBusConnection* sessionBus, bool x11, const Deadline& deadline) {
    if (const std::string_view given = environment("AT_SPI_BUS_ADDRESS"); !given.empty()) {
        return askBus(given, deadline) == BusAnswer::Mute;
    }
    if (sessionBus == nullptr) {
        return false;
    }
    const std::optional<std::string> address = accessibilityBus(sessionBus, deadline);
    if (!address || (!address->empty() && askBus(*address, deadline) == BusAnswer::Mute)) {
        return true;
    }
    // A running launcher writes its own bus there: only one that is gone leaves another.
    if (x11 && address->empty()) {
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

// The IBus daemon as the toolkit reaches it: at the address it wrote for this display, if the
// daemon it names is alive; or, where asked to, through its portal on the session bus.
bool ibusIsMute(DBusConnection* sessionBus, const Deadline& deadline) {
    if (std::getenv("IBUS_USE_PORTAL") != nullptr) {
        if (sessionBus == nullptr) {
            return false;
        }
        Error error;
        const Message reply(call(sessionBus,
                                 Message(dbus_message_new_method_call("org.freedesktop.portal.IBus",
                                                                      "/org/freedesktop/IBus",
                                                                      DBUS_INTERFACE_PEER, "Ping")),
                                 error, deadline));
        return !reply && unanswered(error);
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
    const char* sessionAddress = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    Connection sessionBus;
    if (sessionAddress == nullptr) {
        // Outside a desktop session the D-Bus library would start a session bus of its own, a
        // daemon that outlives the game.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    } else if (askBus(sessionAddress, deadline) == BusAnswer::Mute) {
        doWithoutSessionBus();
        without.emplace_back(
            "шина сеанса D-Bus не отвечает, игра идёт без неё (без программ экранного доступа).");
    } else {
        sessionBus = sessionBusConnection(sessionAddress, deadline);
    }
    if (accessibilityIsMute(sessionBus.get(), x11, deadline)) {
        doWithoutSessionBus();
        without.emplace_back("служба специальных возможностей не отвечает, игра идёт без неё (без "
                             "программ экранного доступа).");
    }
    if (ibusRequested() && ibusIsMute(sessionBus.get(), deadline)) {
        setenv("QT_IM_MODULE", "compose", 1);
        unsetenv("QT_IM_MODULES");
        without.emplace_back("метод ввода IBus не отвечает, игра идёт без него.");
    }
    return without;
}

} // namespace runtime
