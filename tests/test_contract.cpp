// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What every backend promises a form, played through the backend's own input: the same rows on
// each platform's toolkit.
#include "hands.h"
#include "runtime/error.h"

#include <algorithm>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using hands::Key;

// Three buttons, each overlapping the next by 300 twips, one of them focused before the show; a
// press logs the button's index. Shown and active once made.
class Probe final : public runtime::Form {
  public:
    explicit Probe(std::size_t focused = 0) : focused_(focused) {
        loadAndShow();
        hands::settle(*this);
    }

    std::string pressed;
    std::vector<std::array<runtime::Twips, 2>> sizes;
    std::vector<runtime::PushButton*> buttons;
    // Called by a press before it is logged.
    std::function<void(Probe&)> first = [](Probe& /*form*/) {};

  private:
    void onLoad() override {
        window().setClientSize(4500, 1500);
        for (const int index : {0, 1, 2}) {
            const auto left = static_cast<runtime::Twips>(300 + 900 * index);
            const auto press = [this, index] {
                first(*this);
                pressed += std::to_string(index);
            };
            buttons.push_back(
                &window().addButton(std::to_string(index), left, 300, 1200, 600, press));
        }
        buttons.at(focused_)->focus();
    }
    void onResize() override { sizes.push_back({window().outerWidth(), window().outerHeight()}); }

    std::size_t focused_;
};

struct Keys {
    const char* what;
    std::vector<Key> keys;
    int repeats;
    const char* pressed;
};

TEST(Contract, KeysMoveTheFocusRoundAndPressTheFocusedButtonOnceAKeyPress) {
    const std::array rows{
        Keys{"Space on the button focused before the show", {Key::Space}, 0, "0"},
        Keys{"Return and keypad Enter", {Key::Return, Key::Enter}, 0, "00"},
        Keys{"Space again once released", {Key::Space, Key::Space}, 0, "00"},
        Keys{"held", {Key::Space, Key::Return, Key::Enter}, 8, "000"},
        Keys{"Tab to the next", {Key::Tab, Key::Space}, 0, "1"},
        Keys{"Tab round", {Key::Tab, Key::Tab, Key::Tab, Key::Return}, 0, "0"},
        Keys{"Shift+Tab round to the last", {Key::BackTab, Key::Space}, 0, "2"},
        Keys{"Right and Down to the next", {Key::Right, Key::Down, Key::Space}, 0, "2"},
        Keys{"Left round, Up to the one before", {Key::Left, Key::Up, Key::Enter}, 0, "1"},
        Keys{"the focus stays on the button pressed", {Key::Tab, Key::Space, Key::Return}, 0, "11"},
    };
    for (const Keys& row : rows) {
        Probe form;
        for (const Key key : row.keys) {
            hands::key(form, key, row.repeats);
        }
        EXPECT_EQ(form.pressed, row.pressed) << row.what;
    }
}

// Twips from the left, in the middle of the buttons' height: the one on top takes the click, and
// the focus with it.
TEST(Contract, TheButtonDrawnOnTopTakesTheClick) {
    Probe form;
    for (const runtime::Twips left : {600.0F, 1350.0F, 2250.0F, 3000.0F}) {
        hands::click(form, left, 600);
    }
    hands::key(form, Key::Space, 0);
    EXPECT_EQ(form.pressed, "01222");
}

TEST(Contract, TheFocusGivenBeforeTheShowStaysAndComesBackWithTheWindow) {
    Probe form(2);
    hands::key(form, Key::Space, 0);
    hands::key(form, Key::Left, 0);
    const Probe other;
    hands::activate(form);
    hands::key(form, Key::Space, 0);
    EXPECT_EQ(form.pressed + other.pressed, "21");
}

// Raised at the show, then once for each new outer size: a window manager may give the frame
// after the show.
TEST(Contract, ResizedAtTheShowThenOnceForEachNewSize) {
    Probe form;
    const std::size_t shown = form.sizes.size();
    form.window().setClientSize(6000, 2500);
    hands::settle(form);
    EXPECT_GE(shown, 1U);
    EXPECT_GT(form.sizes.size(), shown);
    EXPECT_EQ(form.sizes.back(),
              (std::array{form.window().outerWidth(), form.window().outerHeight()}));
    EXPECT_EQ(std::adjacent_find(form.sizes.begin(), form.sizes.end()), form.sizes.end());
}

// A call made from a press that the window system cannot carry out, or an error of the press's
// own, ends the program with its report.
TEST(ContractDeathTest, AFailureInAPressEndsTheProgramWithItsReport) {
    const std::array<std::pair<std::function<void(Probe&)>, const char*>, 4> rows{{
        {[](Probe& form) { form.window().setClientSize(1e9F, 1500); }, "переполнение"},
        {[](Probe& form) { form.window().addButton("", 300, -1e9F, 1200, 600, {}); },
         "переполнение"},
        {[](Probe& form) { form.buttons[1]->move(1e9F, 300); }, "переполнение"},
        {[](Probe& /*form*/) {
             throw runtime::RuntimeError(runtime::RuntimeError::Kind::Internal, "a press's own");
         },
         "a press's own"},
    }};
    for (const auto& [call, report] : rows) {
        Probe form;
        form.first = call;
        EXPECT_EXIT(hands::key(form, Key::Space, 0), testing::ExitedWithCode(1), report);
    }
}

} // namespace
