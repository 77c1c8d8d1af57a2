// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/services.h"
#include "runtime/form.h"

#include <array>
#include <cstdint>

// The game's one window. The clock and the generator that its guesses draw
// from are handed in, and must outlive it.
class Main : public runtime::Form {
  public:
    Main(runtime::Clock& clock, runtime::Generator& generator);

    // The control array of the two guesses, indexed by the colour each names.
    std::array<runtime::PushButton*, 2> Button{};

    std::uint8_t cvetIndex = 0;
    std::int32_t ugadano = 0;
    std::int32_t promahov = 0;

  protected:
    void onLoad() override;
    void onResize() override;
    void onButtonPress(std::int16_t buttonIndex);

  private:
    game::Services services_;
};
