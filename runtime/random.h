// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <cstdint>

namespace runtime {

// SplitMix64. A re-seed hashes the value together with the current state, so
// re-seeding with the same value twice still moves on to fresh numbers.
class Random final : public Generator {
  public:
    explicit Random(std::uint64_t initialState) : state_(initialState) {}

    void reseed(float value) override;
    float next() override;

  private:
    std::uint64_t nextBits();

    std::uint64_t state_;
};

} // namespace runtime
