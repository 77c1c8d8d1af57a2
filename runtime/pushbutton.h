// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <QPushButton>

namespace runtime {

// A push button placed and measured in twips, in its form's client coordinates.
class PushButton : public QPushButton {
  public:
    PushButton(const QString& caption, QWidget* form);

    [[nodiscard]] Twips twipsWidth() const;
    [[nodiscard]] Twips twipsHeight() const;

    void setTwipsGeometry(Twips left, Twips top, Twips width, Twips height);
    // Keeps the size; negative places are allowed.
    void moveTwips(Twips left, Twips top);
};

} // namespace runtime
