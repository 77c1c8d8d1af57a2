// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

// Nearest 16-bit signed integer, a tie going to the even neighbour.
// Raises an overflow error outside the 16-bit range (and for NaN).
std::int16_t roundToInt16(double value);

// How a number is printed: a leading blank (or the minus sign), the digits,
// one trailing blank.
std::string printForm(std::int64_t value);

} // namespace runtime
