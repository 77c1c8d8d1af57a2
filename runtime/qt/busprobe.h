// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Asks a D-Bus server the whole way a client of it would be asked to go, authentication and a first
// call, within a deadline: the D-Bus library itself waits on either without a limit.
#pragma once

#include <chrono>
#include <span>
#include <string>
#include <string_view>

namespace runtime {

// One deadline for every question put to the desktop before the toolkit starts.
class Deadline {
  public:
    explicit Deadline(std::chrono::milliseconds patience)
        : end_(std::chrono::steady_clock::now() + patience) {}

    [[nodiscard]] int millisecondsLeft() const;

  private:
    std::chrono::steady_clock::time_point end_;
};

enum class BusAnswer {
    // Nothing listens there, or not by a transport that can be asked: a client gives up at once,
    // or the last guard on the start sees to it.
    Absent,
    Answers,
    // It takes the connection and then says nothing, as a stopped or hung server does.
    Mute,
};

// A method call put to the bus after its Hello, with string arguments.
struct BusCall {
    std::string_view destination;
    std::string_view path;
    std::string_view interface;
    std::string_view member;
    std::span<const std::string_view> arguments;
    // Whether the bus may start the service to answer.
    bool autoStart = false;
};

struct CallResult {
    enum class Outcome {
        // The bus refused the client or went away first: so would it for the toolkit.
        NotAsked,
        Unanswered,
        Returned,
        Failed,
    };
    Outcome outcome = Outcome::NotAsked;
    // A return's first argument where that is a string.
    std::string text;
};

// The first entry of the address that takes a connection decides, as in the D-Bus library: unix
// paths, abstract names and the runtime directory's bus. The calls go with the Hello, in one
// write, and are waited for within the same deadline; results has a place for each.
BusAnswer askBus(std::string_view address, const Deadline& deadline,
                 std::span<const BusCall> calls = {}, std::span<CallResult> results = {});

} // namespace runtime
