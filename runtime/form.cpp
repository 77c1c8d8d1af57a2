// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form.h"

#include "error.h"

namespace runtime {

Form::Form() : window_(makeFormWindow(*this)) {}

Form::~Form() = default;

void Form::loadAndShow() {
    guarded([this] { onLoad(); });
    window_->show();
}

void Form::resized() {
    guarded([this] { onResize(); });
}

} // namespace runtime
