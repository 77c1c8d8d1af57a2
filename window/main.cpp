// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "main.h"

#include "game/score.h"
#include "icon-red.xpm"
#include "runtime/error.h"

#include <QIcon>
#include <QPixmap>
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

// The 32-pixel image, and on denser screens the same pixels doubled, so that
// the icon stays sharp instead of blurring as it scales. (Every size given is
// sent to the window manager, which reads it before it maps the window.)
QIcon pixelIcon(const char* const xpm[], qreal devicePixelRatio) {
    const QPixmap image(xpm);
    QIcon icon(image);
    if (devicePixelRatio > 1) {
        icon.addPixmap(
            image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    return icon;
}

} // namespace

Main::Main(runtime::Clock& clock, runtime::Generator& generator)
    : services_{*this, clock, generator} {
    setWindowTitle(QStringLiteral("Лемзор"));
    setAccessibleName(windowTitle());
    setWindowIcon(pixelIcon(icon_red, devicePixelRatioF()));
    setClientSize(5700, 3570);
    // Created in index order, which is also the tab order.
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const ButtonDefinition& definition = buttons.at(i);
        auto* button = new runtime::PushButton(QString::fromUtf8(definition.caption), this);
        button->setTwipsGeometry(definition.left, buttonTop, buttonWidth, buttonHeight);
        const auto buttonIndex = static_cast<std::int16_t>(i);
        connect(button, &QPushButton::clicked, this,
                [this, buttonIndex] { runtime::guarded([&] { onButtonPress(buttonIndex); }); });
        Button.at(i) = button;
    }
    Button[0]->setFocus();
}

void Main::onLoad() {
    messageBox(QStringLiteral("Игру «Лемзор» написала команда Лемзора в 2026 году."),
               QStringLiteral("Автор"));
}

void Main::onResize() {
    // The margin is measured against the outer size while the buttons are
    // placed in client coordinates, so the bottom and right gaps inside the
    // client area are narrower by the frame; where the frame is thicker than
    // the margin, a button stands flush with the client area's edge instead.
    const runtime::Twips height = outerHeight();
    Button[0]->moveTwips(margin,
                         std::min(height - margin, clientHeight()) - Button[0]->twipsHeight());
    Button[1]->moveTwips(std::min(outerWidth() - margin, clientWidth()) - Button[1]->twipsWidth(),
                         std::min(outerHeight() - margin, clientHeight()) -
                             Button[1]->twipsHeight());
}

void Main::onButtonPress(std::int16_t buttonIndex) {
    game::onButtonPress(services_, buttonIndex, cvetIndex, ugadano, promahov);
    announce(QString::fromStdString(game::announcement(cvetIndex, ugadano, promahov)));
}
