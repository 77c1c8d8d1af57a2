#pragma once

#include "runtime/services.h"

#include <vector>

namespace fakes {

class Clock final : public runtime::Clock {
  public:
    float timeOfDay() override { return now; }
    float now = 45296.25F;
};

// Gives the draws it is told to, in turn and round again, and records every re-seed.
class Generator final : public runtime::Generator {
  public:
    void reseed(float value) override { seeds.push_back(value); }
    float next() override { return draws.at(given++ % draws.size()); }

    std::vector<float> draws{0.25F};
    std::vector<float> seeds;
    std::size_t given = 0;
};

} // namespace fakes
