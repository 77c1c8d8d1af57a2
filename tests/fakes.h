// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtime/services.h"

#include <string>
#include <vector>

// Logs what it is asked to draw, stops the clock, and gives and logs draws and re-seeds.
struct Fake final : runtime::Canvas, runtime::Clock, runtime::Generator {
    void setBackColour(runtime::Colour colour) override { log += std::to_string(colour) + '|'; }
    void clear() override { log += "clear|"; }
    void print(std::string_view text) override { (log += text) += '|'; }
    void endLine() override { log += "\n|"; }
    float timeOfDay() override { return now; }
    void reseed(float value) override { seeds.push_back(value); }
    float next() override { return draws.at(given++ % draws.size()); }

    std::string log;
    float now = 45296.25F;
    std::vector<float> draws{0.25F};
    std::vector<float> seeds;
    std::size_t given = 0;
};
