// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

// The forms services the game rules call, in the units the game thinks in.
// Plain C++ so that the rules build and run without a window system.
namespace runtime {

// 1/1440 inch, kept in single precision like every length of the forms layer.
using Twips = float;

// 0x00BBGGRR: red in the lowest byte.
using Colour = std::uint32_t;

// The drawing surface of a form: background and run-time text.
class Canvas {
  public:
    virtual ~Canvas() = default;
    // Repaints the whole client area in the colour and erases run-time text.
    virtual void setBackColour(Colour colour) = 0;
    // Erases run-time text, keeps the background, sends the print position home.
    virtual void clear() = 0;
    // Prints UTF-8 text at the print position and moves the position past it.
    virtual void print(std::string_view text) = 0;
    // Moves the print position to the left edge, one text line lower.
    virtual void endLine() = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fraction.
    virtual float timeOfDay() = 0;
};

class Generator {
  public:
    virtual ~Generator() = default;
    // Mixes the value into the generator's state.
    virtual void reseed(float value) = 0;
    // The next number, uniform over [0, 1).
    virtual float next() = 0;
};

} // namespace runtime
