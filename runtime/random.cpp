// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "random.h"

#include <bit>

namespace runtime {

namespace {

constexpr std::uint64_t golden = 0x9E3779B97F4A7C15ULL;

std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

} // namespace

void Random::reseed(float value) {
    state_ = mix(state_ ^ mix(std::bit_cast<std::uint32_t>(value) + golden));
}

float Random::next() {
    // The top 24 bits fill a float's mantissa exactly: every value is k / 2^24.
    constexpr float step = 1.0F / 16777216.0F;
    return static_cast<float>(nextBits() >> 40U) * step;
}

std::uint64_t Random::nextBits() {
    state_ += golden;
    return mix(state_);
}

} // namespace runtime
