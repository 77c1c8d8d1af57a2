// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "twips.h"

#include "runtime/numeric.h"

#include <QColor>
#include <QPaintDevice>

namespace runtime {

int toPixels(Twips length, const QPaintDevice& device) {
    return pixelsFor(length, device.logicalDpiX());
}

Twips toTwips(int pixels, const QPaintDevice& device) {
    return twipsFor(pixels, device.logicalDpiX());
}

QColor toQColor(Colour colour) {
    return {static_cast<int>(colour & 0xFFU), static_cast<int>((colour >> 8U) & 0xFFU),
            static_cast<int>((colour >> 16U) & 0xFFU)};
}

} // namespace runtime
