// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <cstdint>
#include <string>

namespace runtime {

// Nearest 16-bit signed integer, a tie going to the even neighbour.
// Raises an overflow error outside the 16-bit range (and for NaN).
std::int16_t roundToInt16(double value);

// Whole pixels for a length in twips at a density in dots per inch, a half going away from zero,
// as both backends place their windows and controls. Raises an overflow error beyond the 16 bits
// that window systems' coordinates have at heart.
int pixelsFor(Twips length, double dotsPerInch);

// The twips of whole pixels at a density in dots per inch.
Twips twipsFor(int pixels, double dotsPerInch);

// How a number is printed: a leading blank (or the minus sign), the digits,
// one trailing blank.
std::string printForm(std::int64_t value);

} // namespace runtime
