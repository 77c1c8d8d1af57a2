// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "numeric.h"

#include "error.h"

#include <cmath>
#include <limits>

namespace runtime {

std::int16_t roundToInt16(double value) {
    const double below = std::floor(value);
    const double excess = value - below;
    double nearest = below;
    if (excess > 0.5 || (excess == 0.5 && std::fmod(below, 2.0) != 0.0)) {
        nearest = below + 1.0;
    }
    // NaN fails both comparisons and so lands here too.
    if (!(nearest >= std::numeric_limits<std::int16_t>::min() &&
          nearest <= std::numeric_limits<std::int16_t>::max())) {
        throw RuntimeError(RuntimeError::Kind::Overflow, "");
    }
    return static_cast<std::int16_t>(nearest);
}

namespace {

constexpr double twipsPerInch = 1440.0;

} // namespace

int pixelsFor(Twips length, double dotsPerInch) {
    const double pixels = std::round(static_cast<double>(length) * dotsPerInch / twipsPerInch);
    if (!(std::fabs(pixels) <= std::numeric_limits<std::int16_t>::max())) {
        throw RuntimeError(RuntimeError::Kind::Overflow, "");
    }
    return static_cast<int>(pixels);
}

Twips twipsFor(int pixels, double dotsPerInch) {
    return static_cast<Twips>(pixels * twipsPerInch / dotsPerInch);
}

std::string printForm(std::int64_t value) {
    std::string digits = std::to_string(value);
    if (value >= 0) {
        digits.insert(digits.begin(), ' ');
    }
    digits += ' ';
    return digits;
}

} // namespace runtime
