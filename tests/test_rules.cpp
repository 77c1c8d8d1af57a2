// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "game/score.h"
#include "runtime/clock.h"
#include "runtime/density.h"
#include "runtime/random.h"
#include "window/main.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

constexpr auto largest = std::numeric_limits<std::int32_t>::max();

// A window that keeps what it is told, in place of a toolkit's.
class FakeWindow final : public runtime::FormWindow {
  public:
    struct Button final : runtime::PushButton {
        Button(runtime::Twips width, runtime::Twips height) : wide(width), high(height) {}
        [[nodiscard]] runtime::Twips width() const override { return wide; }
        [[nodiscard]] runtime::Twips height() const override { return high; }
        void move(runtime::Twips left, runtime::Twips top) override { place = {left, top}; }
        void focus() override {}

        runtime::Twips wide, high;
        std::array<runtime::Twips, 2> place{};
    };

    void setBackColour(runtime::Colour /*colour*/) override {}
    void clear() override {}
    void print(std::string_view /*text*/) override {}
    void endLine() override {}
    [[nodiscard]] runtime::Twips outerWidth() const override { return outer[0]; }
    [[nodiscard]] runtime::Twips outerHeight() const override { return outer[1]; }
    [[nodiscard]] runtime::Twips clientWidth() const override { return client[0]; }
    [[nodiscard]] runtime::Twips clientHeight() const override { return client[1]; }
    void setCaption(std::string_view /*caption*/) override {}
    void setIcon(const char* const* /*xpm*/) override {}
    void setClientSize(runtime::Twips width, runtime::Twips height) override {
        client = {width, height};
    }
    runtime::PushButton& addButton(std::string_view /*caption*/, runtime::Twips /*left*/,
                                   runtime::Twips /*top*/, runtime::Twips width,
                                   runtime::Twips height,
                                   std::function<void()> /*pressed*/) override {
        return *buttons.emplace_back(std::make_unique<Button>(width, height));
    }
    void messageBox(std::string_view /*prompt*/, std::string_view /*title*/) override {}
    void announce(std::string_view /*text*/) override {}
    void setStatus(std::string_view /*text*/) override {}
    void show() override {}

    std::array<runtime::Twips, 2> outer{}, client{};
    std::vector<std::unique_ptr<Button>> buttons;
};

} // namespace

std::unique_ptr<runtime::FormWindow> runtime::makeFormWindow(Form& /*form*/) {
    return std::make_unique<FakeWindow>();
}

namespace {

// Twips: where the window's outer and client sizes put «Красный», and both buttons' top; «Зелёный»
// stays 500 in from the left.
struct Layout {
    const char* what;
    std::array<runtime::Twips, 2> outer, client;
    runtime::Twips right, top;
};

TEST(Rules, ButtonsStandInTheBottomCornersWhateverTheFrame) {
    const std::array rows{
        Layout{"no frame", {5700, 3570}, {5700, 3570}, 3025, 2335},
        Layout{"a thin frame", {5820, 3930}, {5700, 3570}, 3145, 2695},
        Layout{"a frame thicker than the margin", {6900, 4800}, {5700, 3570}, 3525, 2835},
        Layout{"too small for them: negative places", {1000, 800}, {900, 500}, -1675, -435},
        Layout{"the buttons overlapping", {3000, 1800}, {2880, 1500}, 325, 565},
    };
    Fake fake;
    Main main(fake, fake);
    auto& window = dynamic_cast<FakeWindow&>(main.window());
    ASSERT_EQ(window.buttons.size(), 2U);
    for (const Layout& row : rows) {
        SCOPED_TRACE(row.what);
        window.outer = row.outer;
        window.client = row.client;
        main.resized();
        EXPECT_EQ(window.buttons[0]->place, (std::array<runtime::Twips, 2>{500, row.top}));
        EXPECT_EQ(window.buttons[1]->place, (std::array{row.right, row.top}));
    }
}

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) {
        text += part;
    }
    return text;
}

struct Press {
    const char* what;
    std::int16_t buttonIndex;
    float draw;
    std::int32_t ugadano, promahov;
};

TEST(Rules, PressDrawsScoresAndPrints) {
    const std::array rows{
        Press{"green guessed, 0 drawn: green", 0, 0.0F, 8, 3},
        Press{"green guessed, just under a half", 0, std::nextafter(0.5F, 0.0F), 8, 3},
        Press{"green guessed, a half: a tie to even", 0, 0.5F, 8, 3},
        Press{"green guessed, just over a half: red", 0, std::nextafter(0.5F, 1.0F), 7, 4},
        Press{"red guessed, the largest draw", 1, std::nextafter(1.0F, 0.0F), 8, 3},
        Press{"red guessed, green drawn", 1, 0.25F, 7, 4},
        // The counters stop at the largest instead of wrapping to a negative number.
        Press{"right at the largest", 0, 0.25F, largest, 3},
        Press{"wrong at the largest", 0, 0.75F, 7, largest},
    };
    for (const Press& row : rows) {
        SCOPED_TRACE(row.what);
        Fake fake;
        fake.draws = {row.draw};
        game::Services services{fake, fake, fake};
        std::uint8_t cvetIndex = 0;
        std::int32_t right = row.ugadano == largest ? largest : 7;
        std::int32_t wrong = row.promahov == largest ? largest : 3;
        game::onButtonPress(services, row.buttonIndex, cvetIndex, right, wrong);
        const bool red = row.draw > 0.5F;
        EXPECT_EQ((std::array{int{cvetIndex}, right, wrong}),
                  (std::array{int{red}, row.ugadano, row.promahov}));
        EXPECT_EQ(fake.seeds, std::vector<float>{fake.now});
        const std::string ugadano = std::to_string(row.ugadano);
        const std::string promahov = std::to_string(row.promahov);
        EXPECT_EQ(fake.log, joined({red ? "255" : "65280", "|clear|Угадано:  ", ugadano,
                                    " |\n|Промахов:  ", promahov, " |\n|"}));
        EXPECT_EQ(game::announcement(cvetIndex, right, wrong),
                  joined({red ? "Красный" : "Зелёный", ". Угадано: ", ugadano,
                          ". Промахов: ", promahov, "."}));
    }
}

// At the start and on every change, on both platforms.
TEST(Rules, BoundsDensity) {
    const std::array<std::pair<double, const char*>, 7> rows{{
        {48.0, ""},
        {960.0, ""},
        {47.0, "47"},
        {961.0, "961"},
        {1e30, "1000000000000000019884624838656"},
        {std::numeric_limits<double>::infinity(), "бесконечность"},
        {std::numeric_limits<double>::quiet_NaN(), "не число"},
    }};
    for (const auto& [dotsPerInch, figure] : rows) {
        EXPECT_EQ(runtime::whyImplausibleDensity(dotsPerInch),
                  *figure == '\0'
                      ? ""
                      : "экран заявляет невероятную плотность точек на дюйм: "s + figure);
    }
}

// The seconds since midnight where the player is, from the seconds since the epoch and the zone's
// offset; a midnight passed in between is no fault.
TEST(Rules, TheClockTellsTheTimeOfDayInThePlayersZone) {
    for (const auto& [zone, east] : {std::pair{"TZ=UTC0", 0.0}, std::pair{"TZ=MSK-3", 10800.0}}) {
        putenv(const_cast<char*>(zone)); // NOLINT(cppcoreguidelines-pro-type-const-cast): POSIX's.
        tzset();
        const double told = runtime::SystemClock().timeOfDay();
        const std::chrono::duration<double> epoch =
            std::chrono::system_clock::now().time_since_epoch();
        EXPECT_NEAR(std::remainder(told - epoch.count() - east, 86400.0), 0.0, 0.5) << zone;
    }
}

// As the game draws: a re-seed before every draw, all of them inside one clock tick.
TEST(Rules, DrawsAreFreshAndEven) {
    runtime::Random random(20261206);
    std::array<int, 16> counts{};
    for (int i = 0; i < 160000; ++i) {
        random.reseed(43200.5F);
        ++counts.at(static_cast<std::size_t>(random.next() * 16));
    }
    for (const int count : counts) {
        EXPECT_NEAR(count, 10000, 500);
    }
}

} // namespace
