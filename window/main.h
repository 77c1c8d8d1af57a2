#pragma once

#include "game/services.h"
#include "runtime/form.h"
#include "runtime/pushbutton.h"

#include <array>
#include <cstdint>

// The game's one window.
class Main : public runtime::Form {
  public:
    explicit Main(std::uint64_t randomSeed);

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
