// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtime/services.h"

class QPaintDevice;
class QColor;

namespace runtime {

// Whole logical pixels for a length in twips, through the device's logical DPI.
int toPixels(Twips length, const QPaintDevice& device);

// The twips of a whole logical pixel.
Twips toTwips(int pixels, const QPaintDevice& device);

QColor toQColor(Colour colour);

} // namespace runtime
