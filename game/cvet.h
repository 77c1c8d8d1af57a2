// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <array>
#include <cstdint>

namespace game {

// Colour indexes double as the indexes of the buttons that name them.
constexpr std::uint8_t green = 0;
constexpr std::uint8_t red = 1;

constexpr std::array<runtime::Colour, 2> backgrounds = {0x0000FF00U, 0x000000FFU};

// Draws green or red afresh, stores it in cvetIndex and paints the background.
void cvet(Services& services, std::uint8_t& cvetIndex);

} // namespace game
