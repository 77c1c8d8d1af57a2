// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cvet.h"

#include "runtime/numeric.h"

namespace game {

void cvet(Services& services, std::uint8_t& cvetIndex) {
    services.generator.reseed(services.clock.timeOfDay());
    const float draw = services.generator.next();
    // A draw of exactly 0.5 rounds to the even neighbour: green.
    cvetIndex = static_cast<std::uint8_t>(runtime::roundToInt16(draw) & 0xFF);
    services.canvas.setBackColour(cvetIndex == red ? backgrounds[red] : backgrounds[green]);
}

} // namespace game
