// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace runtime {

// A failed runtime service. Raised as an exception so that the failing handler
// stops at once; the form layer reports it and ends the program.
class RuntimeError : public std::runtime_error {
  public:
    enum class Kind {
        Overflow,
        NoDisplay,
        DisplayLost,
        ScreenUnusable,
        NoMemory,
        Limits,
        Internal
    };

    RuntimeError(Kind kind, const std::string& detail);

    [[nodiscard]] Kind kind() const noexcept { return kind_; }

  private:
    Kind kind_;
};

// The one-line Russian report for standard error, without its end of line.
std::string report(const RuntimeError& error, std::string_view program);

// The program's name, which the reports of terminate begin with.
void setProgramName(std::string name);

// Where terminate shows its report, without its end of line: standard error unless a backend says
// otherwise (a program without a console shows it in a box).
using Reporter = void (*)(const std::string& line);
void setReporter(Reporter reporterToUse);

// Writes the report and ends the process with status 1.
[[noreturn]] void terminate(const RuntimeError& error) noexcept;

// Reports the exception being handled, if any, and ends the process with status 1.
[[noreturn]] void terminateWithCurrentException() noexcept;

// Makes an exception that nothing catches, wherever it is thrown (inside the toolkit too), end the
// program with the report instead of an abort.
void reportUncaughtExceptions();

// Runs a handler; any error that escapes it ends the program after its report.
template <typename Handler> void guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        terminateWithCurrentException();
    }
}

} // namespace runtime
