// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

namespace runtime {

class SystemClock final : public Clock {
  public:
    float timeOfDay() override;
};

} // namespace runtime
