// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "busprobe.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace runtime {

int Deadline::millisecondsLeft() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

namespace {

// A value of an address with its %XX escapes undone.
std::optional<std::string> unescaped(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            text += value[i];
            continue;
        }
        if (i + 2 >= value.size()) {
            return std::nullopt;
        }
        const std::string hex(value.substr(i + 1, 2));
        char* end = nullptr;
        const long byte = std::strtol(hex.c_str(), &end, 16);
        if (end != hex.c_str() + 2) {
            return std::nullopt;
        }
        text += static_cast<char>(byte);
        i += 2;
    }
    return text;
}

struct UnixAddress {
    sockaddr_un socket{};
    // Exact: an abstract name is not padded, so the whole structure would name another socket.
    socklen_t length = 0;
};

std::optional<UnixAddress> unixAddressOf(std::string_view entry) {
    constexpr std::string_view transport = "unix:";
    if (!entry.starts_with(transport)) {
        return std::nullopt;
    }
    UnixAddress address;
    address.socket.sun_family = AF_UNIX;
    for (std::string_view rest = entry.substr(transport.size()); !rest.empty();) {
        const std::string_view pair = rest.substr(0, rest.find(','));
        rest.remove_prefix(std::min(rest.size(), pair.size() + 1));
        const std::string_view key = pair.substr(0, pair.find('='));
        std::optional<std::string> value =
            unescaped(pair.substr(std::min(pair.size(), key.size() + 1)));
        if (!value) {
            return std::nullopt;
        }
        const bool abstract = key == "abstract";
        if (key == "runtime" && *value == "yes") {
            const char* directory = std::getenv("XDG_RUNTIME_DIR");
            value = std::string(directory != nullptr ? directory : "") + "/bus";
        } else if (key != "path" && !abstract) {
            continue;
        }
        const std::size_t offset = abstract ? 1 : 0;
        if (value->size() + offset >= sizeof address.socket.sun_path) {
            return std::nullopt;
        }
        std::copy(value->begin(), value->end(), std::begin(address.socket.sun_path) + offset);
        address.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                                value->size() + (abstract ? 0 : 1));
        return address;
    }
    return std::nullopt;
}

bool waitFor(int fd, short events, const Deadline& deadline) {
    pollfd watched{fd, events, 0};
    int ready = 0;
    do {
        ready = poll(&watched, 1, deadline.millisecondsLeft());
    } while (ready == -1 && errno == EINTR);
    return ready == 1;
}

bool sendAll(int fd, std::string_view bytes, const Deadline& deadline) {
    while (!bytes.empty()) {
        if (!waitFor(fd, POLLOUT, deadline)) {
            return false;
        }
        const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Waits for the server's word, up to the end of a line where a line is wanted: none once it has
// spoken, else what its silence says of it. recvmsg has no fortified variant for the hardening
// checks to miss.
std::optional<BusAnswer> receive(int fd, std::string& text, bool line, const Deadline& deadline) {
    std::array<char, 256> buffer{};
    while (waitFor(fd, POLLIN, deadline)) {
        iovec part{buffer.data(), buffer.size()};
        msghdr received{};
        received.msg_iov = &part;
        received.msg_iovlen = 1;
        const ssize_t count = recvmsg(fd, &received, 0);
        if (count <= 0) {
            return BusAnswer::Absent;
        }
        text.append(buffer.data(), static_cast<std::size_t>(count));
        if (!line || text.find("\r\n") != std::string::npos || text.size() > 4096) {
            return std::nullopt;
        }
    }
    return BusAnswer::Mute;
}

void appendNative(std::string& message, std::uint32_t value) {
    std::array<char, sizeof value> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value);
    message.append(bytes.data(), bytes.size());
}

// The bus's Hello, which every client sends first and waits for.
std::string helloMessage() {
    std::string message;
    message += std::endian::native == std::endian::little ? 'l' : 'B';
    message += {'\1', '\0', '\1'}; // a method call, no flags, version 1
    appendNative(message, 0);      // no body
    appendNative(message, 1);      // serial
    appendNative(message, 0);      // the header fields' length, filled in below
    const auto pad = [&message](std::size_t to) {
        message.resize((message.size() + to - 1) / to * to);
    };
    const auto field = [&](char code, char type, std::string_view value) {
        pad(8);
        message += {code, '\1', type, '\0'};
        appendNative(message, static_cast<std::uint32_t>(value.size()));
        message += value;
        message += '\0';
    };
    field(1, 'o', "/org/freedesktop/DBus");
    field(2, 's', "org.freedesktop.DBus");
    field(3, 's', "Hello");
    field(6, 's', "org.freedesktop.DBus");
    const auto fields = static_cast<std::uint32_t>(message.size() - 16);
    std::memcpy(message.data() + 12, &fields, sizeof fields);
    pad(8);
    return message;
}

// Authentication as the D-Bus library does it, then Hello, sent together: the server reads them in
// turn, and one wait covers all three.
BusAnswer converse(int fd, const Deadline& deadline) {
    std::string hello(1, '\0');
    hello += "AUTH EXTERNAL ";
    for (const char digit : std::to_string(geteuid())) {
        constexpr std::string_view hex = "0123456789abcdef";
        hello += hex.at(static_cast<unsigned char>(digit) >> 4U);
        hello += hex.at(static_cast<unsigned char>(digit) & 0xFU);
    }
    hello += "\r\n";
    hello += "BEGIN\r\n" + helloMessage();
    std::string reply;
    if (!sendAll(fd, hello, deadline)) {
        return BusAnswer::Mute;
    }
    if (const std::optional<BusAnswer> silent = receive(fd, reply, true, deadline)) {
        return *silent;
    }
    // Refused, the client is told so at once; or Hello's reply came with the OK.
    if (!reply.starts_with("OK ") || reply.size() > reply.find("\r\n") + 2) {
        return BusAnswer::Answers;
    }
    reply.clear();
    return receive(fd, reply, false, deadline).value_or(BusAnswer::Answers);
}

} // namespace

BusAnswer askBus(std::string_view address, const Deadline& deadline) {
    for (std::string_view rest = address; !rest.empty();) {
        const std::string_view entry = rest.substr(0, rest.find(';'));
        rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
        const std::optional<UnixAddress> server = unixAddressOf(entry);
        if (!server) {
            continue;
        }
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd == -1) {
            return BusAnswer::Absent;
        }
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own.
        const auto* name = reinterpret_cast<const sockaddr*>(&server->socket);
        const int connected = connect(fd, name, server->length);
        const int error = errno;
        BusAnswer answer = BusAnswer::Absent;
        if (connected == 0) {
            answer = converse(fd, deadline);
        } else if (error == EAGAIN) {
            // Its backlog is full: nobody has taken a connection for a while.
            answer = BusAnswer::Mute;
        }
        close(fd);
        if (answer != BusAnswer::Absent) {
            return answer;
        }
    }
    return BusAnswer::Absent;
}

} // namespace runtime
