// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pushbutton.h"

#include "twips.h"

namespace runtime {

PushButton::PushButton(const QString& caption, QWidget* form) : QPushButton(caption, form) {}

Twips PushButton::twipsWidth() const {
    return toTwips(width(), *this);
}

Twips PushButton::twipsHeight() const {
    return toTwips(height(), *this);
}

void PushButton::setTwipsGeometry(Twips left, Twips top, Twips width, Twips height) {
    setGeometry(toPixels(left, *this), toPixels(top, *this), toPixels(width, *this),
                toPixels(height, *this));
}

void PushButton::moveTwips(Twips left, Twips top) {
    move(toPixels(left, *this), toPixels(top, *this));
}

} // namespace runtime
