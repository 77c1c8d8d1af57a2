// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "score.h"

#include "cvet.h"
#include "runtime/numeric.h"

#include <limits>

namespace game {

std::int32_t plusOne(std::int32_t count) {
    return count < std::numeric_limits<std::int32_t>::max() ? count + 1 : count;
}

std::string rightLine(std::int32_t ugadano) {
    return "Угадано: " + runtime::printForm(ugadano);
}

std::string wrongLine(std::int32_t promahov) {
    return "Промахов: " + runtime::printForm(promahov);
}

std::string totals(std::int32_t ugadano, std::int32_t promahov) {
    return "Угадано: " + std::to_string(ugadano) + ". Промахов: " + std::to_string(promahov) + '.';
}

std::string announcement(std::uint8_t cvetIndex, std::int32_t ugadano, std::int32_t promahov) {
    return std::string(cvetIndex == red ? "Красный. " : "Зелёный. ") + totals(ugadano, promahov);
}

void onButtonPress(Services& services, std::int16_t buttonIndex, std::uint8_t& cvetIndex,
                   std::int32_t& ugadano, std::int32_t& promahov) {
    cvet(services, cvetIndex);
    if (static_cast<std::int16_t>(cvetIndex) == buttonIndex) {
        ugadano = plusOne(ugadano);
    } else {
        promahov = plusOne(promahov);
    }
    services.canvas.clear();
    services.canvas.print(rightLine(ugadano));
    services.canvas.endLine();
    services.canvas.print(wrongLine(promahov));
    services.canvas.endLine();
}

} // namespace game
