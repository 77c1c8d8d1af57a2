// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

namespace runtime {

// The theme's text colour where it stands out enough from the background (WCAG 2's 4.5 : 1),
// and black otherwise: light themes' text would vanish on pure green.
Colour readableOn(Colour back, Colour text);

} // namespace runtime
