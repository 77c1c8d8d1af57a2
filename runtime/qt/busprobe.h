// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Asks a D-Bus server the whole way a client of it would be asked to go, authentication and a first
// call, within a deadline: the D-Bus library itself waits on either without a limit.
#pragma once

#include <chrono>
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

// The first entry of the address that takes a connection decides, as in the D-Bus library: unix
// paths, abstract names and the runtime directory's bus.
BusAnswer askBus(std::string_view address, const Deadline& deadline);

} // namespace runtime
