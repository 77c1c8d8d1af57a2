// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopservices.h"

#include <QAccessible>
#include <QDBusConnection>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dbus/dbus.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace runtime {

namespace {

// A bus busy at login still answers within this.
constexpr int patienceSeconds = 2;

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The socket of a bus address's first entry, where that is a Unix socket.
std::optional<sockaddr_un> unixSocketOf(std::string_view address) {
    address = address.substr(0, address.find(';'));
    sockaddr_un socket{};
    socket.sun_family = AF_UNIX;
    for (const auto& [key, abstract] : {std::pair{"unix:path=", false}, {"unix:abstract=", true}}) {
        if (!address.starts_with(key)) {
            continue;
        }
        const std::string_view path =
            address.substr(std::strlen(key)).substr(0, address.substr(std::strlen(key)).find(','));
        const std::size_t offset = abstract ? 1 : 0;
        if (path.find('%') != std::string_view::npos ||
            path.size() + offset >= sizeof socket.sun_path) {
            return std::nullopt;
        }
        std::copy(path.begin(), path.end(), std::begin(socket.sun_path) + offset);
        return socket;
    }
    return std::nullopt;
}

// Whether the bus at the address takes the connection and then says nothing, as a stopped or hung
// one does. It is asked to authenticate: the D-Bus library would wait for that answer for ever.
// A bus that is not there at all is not mute: the toolkit gives up on it at once.
bool isMute(std::string_view address) {
    const std::optional<sockaddr_un> bus = unixSocketOf(address);
    if (!bus) {
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1) {
        return false;
    }
    const timeval patience{patienceSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    bool mute = false;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own.
    if (connect(fd, reinterpret_cast<const sockaddr*>(&*bus), sizeof *bus) == 0) {
        std::string hello(1, '\0');
        hello += "AUTH EXTERNAL ";
        for (const char digit : std::to_string(geteuid())) {
            constexpr std::string_view hex = "0123456789abcdef";
            hello += hex.at(static_cast<unsigned char>(digit) >> 4U);
            hello += hex.at(static_cast<unsigned char>(digit) & 0xFU);
        }
        hello += "\r\n";
        // recvmsg, which has no fortified variant for the hardening checks to miss.
        std::array<char, 256> reply{};
        iovec part{reply.data(), reply.size()};
        msghdr received{};
        received.msg_iov = &part;
        received.msg_iovlen = 1;
        mute = send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) != -1 &&
               recvmsg(fd, &received, 0) == -1 && (errno == EAGAIN || errno == EWOULDBLOCK);
    } else {
        mute = errno == EAGAIN || errno == EINPROGRESS;
    }
    close(fd);
    return mute;
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

// A call answered within the patience, or the error in its place.
Message call(DBusConnection* bus, Message request, Error& error) {
    return Message(dbus_connection_send_with_reply_and_block(bus, request.get(),
                                                             patienceSeconds * 1000, &error));
}

// The accessibility bus as its launcher on the session bus gives it: empty where there is no
// launcher, none where the launcher does not answer. The toolkit asks the same, without a limit.
std::optional<std::string> accessibilityBus(const char* sessionBus) {
    Error error;
    const std::unique_ptr<DBusConnection, ConnectionCloser> bus(
        dbus_connection_open_private(sessionBus, &error));
    if (!bus) {
        return "";
    }
    const Message hello(call(bus.get(),
                             Message(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS,
                                                                  DBUS_INTERFACE_DBUS, "Hello")),
                             error));
    if (!hello) {
        return "";
    }
    Message request(dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                 "GetAddress"));
    // A launcher that is not running is not started for a question.
    dbus_message_set_auto_start(request.get(), FALSE);
    const Message reply(call(bus.get(), std::move(request), error));
    const char* address = nullptr;
    if (!reply) {
        const bool unanswered = dbus_error_has_name(&error, DBUS_ERROR_NO_REPLY) != FALSE ||
                                dbus_error_has_name(&error, DBUS_ERROR_TIMEOUT) != FALSE;
        return unanswered ? std::nullopt : std::optional<std::string>("");
    }
    if (dbus_message_get_args(reply.get(), &error, DBUS_TYPE_STRING, &address, DBUS_TYPE_INVALID) ==
        FALSE) {
        return "";
    }
    return address;
}

bool accessibilityIsMute(const char* sessionBus) {
    if (const std::string_view given = environment("AT_SPI_BUS_ADDRESS"); !given.empty()) {
        return isMute(given);
    }
    if (sessionBus == nullptr) {
        return false;
    }
    const std::optional<std::string> address = accessibilityBus(sessionBus);
    return !address || (!address->empty() && isMute(*address));
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

bool ibusIsMute() {
    const std::string path = ibusAddressFile();
    if (path.empty()) {
        return false;
    }
    const std::string text = textOf(path);
    constexpr std::string_view key = "IBUS_ADDRESS=";
    for (std::string_view rest = text; !rest.empty();) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        if (line.starts_with(key)) {
            return isMute(line.substr(key.size()));
        }
        rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    }
    return false;
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
    // The bridge's own connection, by the name it gives it.
    const QDBusConnection bus(QStringLiteral("a11y"));
    if (bus.isConnected() && dbus_connection_get_outgoing_size(static_cast<DBusConnection*>(
                                 bus.internalPointer())) > unsentLimit) {
        return;
    }
    // The toolkit's own handling, which an installed handler replaces.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(passOnUnlessUnread);
}

} // namespace

void dropAccessibilityEventsWhenUnread() {
    QAccessible::installUpdateHandler(passOnUnlessUnread);
}

std::vector<std::string> avoidMuteServices() {
    std::vector<std::string> without;
    const char* sessionBus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (sessionBus == nullptr) {
        // Outside a desktop session the D-Bus library would start a session bus of its own, a
        // daemon that outlives the game.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    } else if (isMute(sessionBus)) {
        doWithoutSessionBus();
        without.emplace_back(
            "шина сеанса D-Bus не отвечает, игра идёт без неё (без программ экранного доступа).");
        sessionBus = nullptr;
    }
    if (accessibilityIsMute(sessionBus)) {
        doWithoutSessionBus();
        without.emplace_back("служба специальных возможностей не отвечает, игра идёт без неё (без "
                             "программ экранного доступа).");
    }
    if (ibusRequested() && ibusIsMute()) {
        setenv("QT_IM_MODULE", "compose", 1);
        unsetenv("QT_IM_MODULES");
        without.emplace_back("метод ввода IBus не отвечает, игра идёт без него.");
    }
    return without;
}

} // namespace runtime
