// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "twips.h"

#include "runtime/error.h"

#include <QColor>
#include <QPaintDevice>
#include <cmath>

namespace runtime {

namespace {

constexpr double twipsPerInch = 1440.0;
// Qt's own limit for a widget's size; no position beyond it makes sense either.
constexpr double largestPixel = 16777215.0;

} // namespace

int toPixels(Twips length, const QPaintDevice& device) {
    const double pixels =
        std::round(static_cast<double>(length) * device.logicalDpiX() / twipsPerInch);
    if (!(std::fabs(pixels) <= largestPixel)) {
        throw RuntimeError(RuntimeError::Kind::Overflow, "");
    }
    return static_cast<int>(pixels);
}

Twips toTwips(int pixels, const QPaintDevice& device) {
    return static_cast<Twips>(pixels * twipsPerInch / device.logicalDpiX());
}

QColor toQColor(Colour colour) {
    return {static_cast<int>(colour & 0xFFU), static_cast<int>((colour >> 8U) & 0xFFU),
            static_cast<int>((colour >> 16U) & 0xFFU)};
}

} // namespace runtime
