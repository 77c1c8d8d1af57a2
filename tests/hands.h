// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtime/form.h"

#include <cstdint>

// What a player does to a form's window, through its backend's own input: one file per backend.
namespace hands {

enum class Key : std::uint8_t { Tab, BackTab, Left, Right, Up, Down, Space, Return, Enter };

// Delivers what the window system has queued, once the window is active.
void settle(runtime::Form& form);
// Brings the window back to the front, as a click on its taskbar button does.
void activate(runtime::Form& form);
// Down, `repeats` more times down as the keyboard repeats a held key, then up.
void key(runtime::Form& form, Key key, int repeats);
// A left click at a place of the client area.
void click(runtime::Form& form, runtime::Twips left, runtime::Twips top);

} // namespace hands
