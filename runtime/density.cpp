// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "density.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace runtime {

std::string whyImplausibleDensity(double dotsPerInch) {
    if (dotsPerInch >= 48 && dotsPerInch <= 960) {
        return {};
    }
    std::string figure = "не число";
    if (std::isinf(dotsPerInch)) {
        figure = dotsPerInch > 0 ? "бесконечность" : "минус бесконечность";
    } else if (!std::isnan(dotsPerInch)) {
        // Whole dots, however many digits that takes: no integer type holds every such claim.
        std::array<char, 320> digits{};
        std::snprintf(digits.data(), digits.size(), "%.0f", dotsPerInch);
        figure = digits.data();
    }
    return "экран заявляет невероятную плотность точек на дюйм: " + figure;
}

} // namespace runtime
