#pragma once

#include "services.h"

namespace runtime {

class SystemClock final : public Clock {
  public:
    float timeOfDay() override;
};

} // namespace runtime
