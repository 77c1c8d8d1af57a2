// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "error.h"

#include <cstdio>
#include <cstdlib>

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
    case RuntimeError::Kind::Internal:
        break;
    }
    return "внутренняя ошибка";
}

std::string& programName() {
    static std::string name;
    return name;
}

} // namespace

RuntimeError::RuntimeError(Kind kind, const std::string& detail)
    : std::runtime_error(detail), kind_(kind) {}

void setProgramName(std::string name) {
    programName() = std::move(name);
}

std::string report(const RuntimeError& error, std::string_view program) {
    std::string line(program);
    line += ": ошибка выполнения: ";
    line += title(error.kind());
    if (*error.what() != '\0') {
        line += " (";
        line += error.what();
        line += ')';
    }
    line += '.';
    return line;
}

void terminate(const RuntimeError& error) noexcept {
    try {
        const std::string line = report(error, programName()) + '\n';
        std::fputs(line.c_str(), stderr);
    } catch (...) {
        std::fputs("ошибка выполнения.\n", stderr);
    }
    std::fflush(stderr);
    // No unwinding through the toolkit's frames and no exit handlers: the
    // program's state is not to be trusted after a failed service.
    std::_Exit(EXIT_FAILURE);
}

} // namespace runtime
