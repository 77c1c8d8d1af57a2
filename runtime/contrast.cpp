// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrast.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace runtime {

namespace {

// The fifth root of 0 < x <= 1, by Newton's method from above, where it cannot overshoot.
constexpr double fifthRoot(double x) {
    double root = 1;
    for (double previous = 2; root < previous;) {
        previous = root;
        root = (4 * root + x / (root * root * root * root)) / 5;
    }
    return root;
}

// sRGB's 8-bit channels on a linear scale, worked out while compiling: the maths library's
// power function would bring a fifth of a megabyte of its tables into memory.
constexpr std::array<double, 256> linearChannels = [] {
    std::array<double, 256> linear{};
    for (std::size_t i = 0; i < linear.size(); ++i) {
        const double channel = static_cast<double>(i) / 255;
        const double x = (channel + 0.055) / 1.055;
        const double x3 = x * x * x;
        // x to the power 2.4 is the fifth root of x to the 12th.
        linear.at(i) = channel <= 0.04045 ? channel / 12.92 : fifthRoot(x3 * x3 * x3 * x3);
    }
    return linear;
}();

// WCAG 2's relative luminance of an sRGB colour.
double luminance(Colour colour) {
    const auto linear = [colour](unsigned shift) {
        return linearChannels.at((colour >> shift) & 0xFFU);
    };
    return 0.2126 * linear(0) + 0.7152 * linear(8) + 0.0722 * linear(16);
}

} // namespace

Colour readableOn(Colour back, Colour text) {
    const double a = luminance(back) + 0.05;
    const double b = luminance(text) + 0.05;
    return std::max(a, b) / std::min(a, b) >= 4.5 ? text : 0;
}

} // namespace runtime
