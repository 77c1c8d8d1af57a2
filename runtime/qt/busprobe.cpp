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

// Waits for more of the server's word: none once it has spoken, else what its silence says of it.
// recvmsg has no fortified variant for the hardening checks to miss.
std::optional<BusAnswer> receive(int fd, std::string& text, const Deadline& deadline) {
    if (!waitFor(fd, POLLIN, deadline)) {
        return BusAnswer::Mute;
    }
    std::array<char, 512> buffer{};
    iovec part{buffer.data(), buffer.size()};
    msghdr received{};
    received.msg_iov = &part;
    received.msg_iovlen = 1;
    const ssize_t count = recvmsg(fd, &received, 0);
    if (count <= 0) {
        return BusAnswer::Absent;
    }
    text.append(buffer.data(), static_cast<std::size_t>(count));
    return std::nullopt;
}

void appendNative(std::string& message, std::uint32_t value) {
    std::array<char, sizeof value> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value);
    message.append(bytes.data(), bytes.size());
}

constexpr char methodReturn = 2;
constexpr char errorReply = 3;
constexpr char noAutoStart = 2;

std::string methodCall(std::uint32_t serial, const BusCall& call) {
    std::string message;
    message += std::endian::native == std::endian::little ? 'l' : 'B';
    message += {'\1', call.autoStart ? '\0' : noAutoStart, '\1'}; // a method call, version 1
    appendNative(message, 0); // the body's length, filled in below
    appendNative(message, serial);
    appendNative(message, 0); // the header fields' length, filled in below
    const auto pad = [&message](std::size_t to) {
        message.resize((message.size() + to - 1) / to * to);
    };
    const auto text = [&](std::string_view value) {
        pad(4);
        appendNative(message, static_cast<std::uint32_t>(value.size()));
        message += value;
        message += '\0';
    };
    const auto field = [&](char code, char type, std::string_view value) {
        pad(8);
        message += {code, '\1', type, '\0'};
        text(value);
    };
    field(1, 'o', call.path);
    field(2, 's', call.interface);
    field(3, 's', call.member);
    field(6, 's', call.destination);
    if (!call.arguments.empty()) {
        // A signature has a byte for its length.
        pad(8);
        message += {'\10', '\1', 'g', '\0', static_cast<char>(call.arguments.size())};
        message.append(call.arguments.size(), 's');
        message += '\0';
    }
    const auto fields = static_cast<std::uint32_t>(message.size() - 16);
    std::memcpy(message.data() + 12, &fields, sizeof fields);
    pad(8);
    const std::size_t bodyStart = message.size();
    for (const std::string_view argument : call.arguments) {
        text(argument);
    }
    const auto body = static_cast<std::uint32_t>(message.size() - bodyStart);
    std::memcpy(message.data() + 4, &body, sizeof body);
    return message;
}

// Reads a message in the byte order it was written in; a read past its end leaves it not ok.
class MessageReader {
  public:
    explicit MessageReader(std::string_view bytes)
        : bytes_(bytes), little_(!bytes.empty() && bytes.front() == 'l') {}

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] std::size_t at() const { return at_; }
    void moveTo(std::size_t at) { at_ = at; }
    void align(std::size_t to) { at_ = (at_ + to - 1) / to * to; }

    std::uint8_t byte() {
        if (!has(1)) {
            return 0;
        }
        return static_cast<std::uint8_t>(bytes_[at_++]);
    }

    std::uint32_t number() {
        align(4);
        if (!has(4)) {
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const auto part = static_cast<std::uint8_t>(bytes_[at_ + (little_ ? 3 - i : i)]);
            value = value << 8U | part;
        }
        at_ += 4;
        return value;
    }

    // A string, an object path or, with a byte for its length, a signature.
    std::string_view text(std::size_t length) {
        if (!has(length + 1)) {
            return {};
        }
        const std::string_view value = bytes_.substr(at_, length);
        at_ += length + 1;
        return value;
    }

  private:
    bool has(std::size_t count) {
        ok_ = ok_ && at_ <= bytes_.size() && bytes_.size() - at_ >= count;
        return ok_;
    }

    std::string_view bytes_;
    bool little_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// What a client waiting for replies reads of a message.
struct Incoming {
    char type = 0;
    std::uint32_t replySerial = 0;
    std::string text;
};

// Far beyond any reply asked for here: a server sending such is talking, which is all it shows.
constexpr std::uint32_t longestMessage = 1U << 16U;

// The length of the whole message at the front of the stream: 0 while it is still arriving.
std::optional<std::size_t> messageLength(std::string_view stream) {
    MessageReader reader(stream);
    reader.moveTo(4);
    const std::uint32_t body = reader.number();
    reader.number();
    const std::uint32_t fields = reader.number();
    if (!reader.ok()) {
        return 0;
    }
    if (body > longestMessage || fields > longestMessage) {
        return std::nullopt;
    }
    const std::size_t length = (16 + std::size_t{fields} + 7) / 8 * 8 + body;
    return stream.size() >= length ? length : 0;
}

std::optional<Incoming> parse(std::string_view message) {
    MessageReader reader(message);
    reader.moveTo(1);
    Incoming incoming;
    incoming.type = static_cast<char>(reader.byte());
    reader.moveTo(12);
    const std::size_t fieldsEnd = 16 + reader.number();
    std::string_view signature;
    while (reader.ok() && reader.at() < fieldsEnd) {
        reader.align(8);
        const std::uint8_t code = reader.byte();
        const std::string_view type = reader.text(reader.byte());
        if (type == "u") {
            const std::uint32_t value = reader.number();
            incoming.replySerial = code == 5 ? value : incoming.replySerial;
        } else if (type == "s" || type == "o") {
            const std::string_view value = reader.text(reader.number());
            incoming.text = code == 4 ? std::string(value) : incoming.text;
        } else if (type == "g") {
            const std::string_view value = reader.text(reader.byte());
            signature = code == 8 ? value : signature;
        } else {
            return std::nullopt;
        }
    }
    reader.moveTo((fieldsEnd + 7) / 8 * 8);
    if (incoming.type == methodReturn && signature.starts_with('s')) {
        incoming.text = reader.text(reader.number());
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return incoming;
}

// Errors the bus gives in place of a reply that did not come in time.
bool unanswered(std::string_view errorName) {
    return errorName == "org.freedesktop.DBus.Error.NoReply" ||
           errorName == "org.freedesktop.DBus.Error.Timeout";
}

void settle(CallResult& result, const Incoming& incoming) {
    using Outcome = CallResult::Outcome;
    result.outcome = incoming.type == methodReturn ? Outcome::Returned
                     : unanswered(incoming.text)   ? Outcome::Unanswered
                                                   : Outcome::Failed;
    result.text = incoming.text;
}

// Authentication as the D-Bus library does it, then Hello and the calls, sent together: the server
// reads them in turn, and one wait covers them all.
BusAnswer converse(int fd, const Deadline& deadline, std::span<const BusCall> calls,
                   std::span<CallResult> results) {
    std::fill(results.begin(), results.end(), CallResult{});
    std::string request(1, '\0');
    request += "AUTH EXTERNAL ";
    for (const char digit : std::to_string(geteuid())) {
        constexpr std::string_view hex = "0123456789abcdef";
        request += hex.at(static_cast<unsigned char>(digit) >> 4U);
        request += hex.at(static_cast<unsigned char>(digit) & 0xFU);
    }
    request += "\r\nBEGIN\r\n";
    request += methodCall(1, {"org.freedesktop.DBus",
                              "/org/freedesktop/DBus",
                              "org.freedesktop.DBus",
                              "Hello",
                              {},
                              true});
    for (std::size_t i = 0; i < calls.size(); ++i) {
        request += methodCall(static_cast<std::uint32_t>(i + 2), calls[i]);
    }
    if (!sendAll(fd, request, deadline)) {
        return BusAnswer::Mute;
    }
    std::string stream;
    while (stream.find("\r\n") == std::string::npos) {
        if (stream.size() > 4096) {
            return BusAnswer::Answers;
        }
        if (const std::optional<BusAnswer> silent = receive(fd, stream, deadline)) {
            return *silent;
        }
    }
    // Refused, the client is told so at once.
    if (!stream.starts_with("OK ")) {
        return BusAnswer::Answers;
    }
    stream.erase(0, stream.find("\r\n") + 2);
    bool helloAnswered = false;
    std::size_t waiting = calls.size();
    while (!helloAnswered || waiting > 0) {
        const std::optional<std::size_t> length = messageLength(stream);
        if (!length) {
            return BusAnswer::Answers;
        }
        if (*length == 0) {
            const std::optional<BusAnswer> silent = receive(fd, stream, deadline);
            if (!silent) {
                continue;
            }
            if (!helloAnswered) {
                return *silent;
            }
            // The bus answers; the calls still waiting when time ran out were not answered.
            for (CallResult& result : results) {
                if (result.outcome == CallResult::Outcome::NotAsked && *silent == BusAnswer::Mute) {
                    result.outcome = CallResult::Outcome::Unanswered;
                }
            }
            return BusAnswer::Answers;
        }
        const std::optional<Incoming> incoming = parse(std::string_view(stream).substr(0, *length));
        stream.erase(0, *length);
        if (!incoming) {
            return BusAnswer::Answers;
        }
        if (incoming->type != methodReturn && incoming->type != errorReply) {
            continue;
        }
        const std::size_t call = incoming->replySerial - 2;
        if (incoming->replySerial == 1) {
            helloAnswered = true;
        } else if (incoming->replySerial >= 2 && call < results.size() &&
                   results[call].outcome == CallResult::Outcome::NotAsked) {
            settle(results[call], *incoming);
            --waiting;
        }
    }
    return BusAnswer::Answers;
}

} // namespace

BusAnswer askBus(std::string_view address, const Deadline& deadline, std::span<const BusCall> calls,
                 std::span<CallResult> results) {
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
            const std::size_t asked = std::min(calls.size(), results.size());
            answer = converse(fd, deadline, calls.first(asked), results.first(asked));
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
