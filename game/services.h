// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtime/services.h"

namespace game {

// The runtime services a guess needs, handed in by the window.
struct Services {
    runtime::Canvas& canvas;
    runtime::Clock& clock;
    runtime::Generator& generator;
};

} // namespace game
