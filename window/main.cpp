// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "main.h"

#include "game/score.h"
#include "icon-red.xpm"

#include <algorithm>

namespace {

struct ButtonDefinition {
    const char* caption;
    runtime::Twips left;
};

constexpr std::array<ButtonDefinition, 2> buttons = {{{"Зелёный", 240}, {"Красный", 3360}}};
constexpr runtime::Twips buttonTop = 2640;
constexpr runtime::Twips buttonWidth = 2175;
constexpr runtime::Twips buttonHeight = 735;
constexpr runtime::Twips margin = 500;

} // namespace

Main::Main(runtime::Clock& clock, runtime::Generator& generator)
    : services_{*this, clock, generator} {
    window().setCaption("Лемзор");
    window().setIcon(icon_red);
    window().setClientSize(5700, 3570);
    // Created in index order, which is also the tab order.
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const ButtonDefinition& definition = buttons.at(i);
        const auto buttonIndex = static_cast<std::int16_t>(i);
        Button.at(i) =
            &window().addButton(definition.caption, definition.left, buttonTop, buttonWidth,
                                buttonHeight, [this, buttonIndex] { onButtonPress(buttonIndex); });
    }
    Button[0]->focus();
}

void Main::onLoad() {
    window().messageBox("Игру «Лемзор» написала команда Лемзора в 2026 году.", "Автор");
}

void Main::onResize() {
    // The margin is measured against the outer size while the buttons are
    // placed in client coordinates, so the bottom and right gaps inside the
    // client area are narrower by the frame; where the frame is thicker than
    // the margin, a button stands flush with the client area's edge instead.
    const runtime::FormWindow& form = window();
    const runtime::Twips height = form.outerHeight();
    Button[0]->move(margin, std::min(height - margin, form.clientHeight()) - Button[0]->height());
    Button[1]->move(std::min(form.outerWidth() - margin, form.clientWidth()) - Button[1]->width(),
                    std::min(form.outerHeight() - margin, form.clientHeight()) -
                        Button[1]->height());
}

void Main::onButtonPress(std::int16_t buttonIndex) {
    game::onButtonPress(services_, buttonIndex, cvetIndex, ugadano, promahov);
    window().setStatus(game::totals(ugadano, promahov));
    window().announce(game::announcement(cvetIndex, ugadano, promahov));
}
