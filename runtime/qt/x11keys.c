/* SPDX-FileCopyrightText: 2026 Lemzor developers */
/* SPDX-License-Identifier: GPL-3.0-or-later */
/* In C: the keyboard extension's header names a member "explicit". */
#include "x11keys.h"

#include <xcb/xkb.h>

void sendHeldKeysAsRepeatedPresses(xcb_connection_t* connection) {
    const uint32_t detectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    /* The toolkit has the extension in use on its connection already. Not waited for: a server
       without the flag repeats as before. */
    xcb_discard_reply(connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD,
                                                           detectable, detectable, 0, 0, 0)
                                      .sequence);
}
