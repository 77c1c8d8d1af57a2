// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace runtime {

// Why a screen that claims this many dots per inch cannot show the game, in Russian: its window
// would be too large to place, or its text too small to read. Empty for a plausible density, at the
// start and whenever the screen announces a new one.
std::string whyImplausibleDensity(double dotsPerInch);

} // namespace runtime
