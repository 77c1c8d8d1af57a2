// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "error.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace runtime {

namespace {

const char* title(RuntimeError::Kind kind) {
    switch (kind) {
    case RuntimeError::Kind::Overflow:
        return "переполнение";
    case RuntimeError::Kind::NoDisplay:
        return "не удалось открыть окно";
    case RuntimeError::Kind::DisplayLost:
        return "связь с дисплеем потеряна";
    case RuntimeError::Kind::ScreenUnusable:
        return "экран стал непригоден для игры";
    case RuntimeError::Kind::NoMemory:
        return "недостаточно памяти";
    case RuntimeError::Kind::Limits:
        return "слишком жёсткие ограничения процесса";
    case RuntimeError::Kind::Internal:
        break;
    }
    return "внутренняя ошибка";
}

// The report is one line: control characters, which the environment may carry into its detail,
// are shown as escapes.
std::string escaped(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0U;
        // C1 controls, as UTF-8, are control sequences to a terminal too.
        const bool c1 = byte == 0xC2 && next >= 0x80 && next <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const unsigned code = c1 ? next : byte;
            constexpr std::string_view hex = "0123456789abcdef";
            shown += c1 ? "\\u00" : "\\x";
            shown += hex.at(code >> 4U);
            shown += hex.at(code & 0xFU);
            i += c1 ? 1 : 0;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

std::string& programName() {
    static std::string name;
    return name;
}

Reporter& reporter() {
    static Reporter shown = nullptr;
    return shown;
}

} // namespace

RuntimeError::RuntimeError(Kind kind, const std::string& detail)
    : std::runtime_error(detail), kind_(kind) {}

[[noreturn]] void terminateWithCurrentException() noexcept {
    try {
        if (const std::exception_ptr exception = std::current_exception()) {
            std::rethrow_exception(exception);
        }
    } catch (const RuntimeError& error) {
        terminate(error);
    } catch (const std::bad_alloc&) {
        terminate(RuntimeError(RuntimeError::Kind::NoMemory, ""));
    } catch (const std::exception& error) {
        terminate(RuntimeError(RuntimeError::Kind::Internal, error.what()));
    } catch (...) {
    }
    terminate(RuntimeError(RuntimeError::Kind::Internal, ""));
}

void reportUncaughtExceptions() {
    std::set_terminate(terminateWithCurrentException);
}

void setReporter(Reporter reporterToUse) {
    reporter() = reporterToUse;
}

void setProgramName(std::string name) {
    programName() = std::move(name);
}

std::string report(const RuntimeError& error, std::string_view program) {
    std::string line(program);
    line += ": ошибка выполнения: ";
    line += title(error.kind());
    if (*error.what() != '\0') {
        line += " (";
        line += escaped(error.what());
        line += ')';
    }
    line += '.';
    return line;
}

void terminate(const RuntimeError& error) noexcept {
    try {
        const std::string line = report(error, programName());
        if (reporter() != nullptr) {
            reporter()(line);
        } else {
            std::fputs((line + '\n').c_str(), stderr);
        }
    } catch (...) {
        std::fputs("ошибка выполнения.\n", stderr);
    }
    std::fflush(stderr);
    // No unwinding through the toolkit's frames and no exit handlers: the
    // program's state is not to be trusted after a failed service.
    std::_Exit(EXIT_FAILURE);
}

} // namespace runtime
