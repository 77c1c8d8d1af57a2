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

} // namespace

RuntimeError::RuntimeError(Kind kind, const std::string& detail)
    : std::runtime_error(detail), kind_(kind) {}

std::string report(const RuntimeError& error) {
    std::string line = "Лемзор: ошибка выполнения: ";
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
        const std::string line = report(error) + '\n';
        std::fputs(line.c_str(), stderr);
    } catch (...) {
        std::fputs("Лемзор: ошибка выполнения.\n", stderr);
    }
    std::fflush(stderr);
    // No unwinding through the toolkit's frames and no exit handlers: the
    // program's state is not to be trusted after a failed service.
    std::_Exit(EXIT_FAILURE);
}

} // namespace runtime
