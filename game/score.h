// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <cstdint>
#include <string>

namespace game {

// One more, stopping at the largest count rather than wrapping to a negative one.
std::int32_t plusOne(std::int32_t count);

std::string rightLine(std::int32_t ugadano);
std::string wrongLine(std::int32_t promahov);

// Both totals in words, for a screen reader.
std::string totals(std::int32_t ugadano, std::int32_t promahov);

// What the window shows after a guess, in words, for a screen reader: the colour, then the totals.
std::string announcement(std::uint8_t cvetIndex, std::int32_t ugadano, std::int32_t promahov);

// A guess at the colour that comes next: draws it, scores the guess and prints
// both totals from the top-left corner.
void onButtonPress(Services& services, std::int16_t buttonIndex, std::uint8_t& cvetIndex,
                   std::int32_t& ugadano, std::int32_t& promahov);

} // namespace game
