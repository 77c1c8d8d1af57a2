// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>

#ifdef __cplusplus
extern "C" {
#endif

// Has the X server send a held key's repeats as presses only, with no release between them, so
// that a press of a key already down tells a repeat (the toolkit cannot always tell a release and
// press of the keyboard's own from the player's).
void sendHeldKeysAsRepeatedPresses(xcb_connection_t* connection);

#ifdef __cplusplus
}
#endif
