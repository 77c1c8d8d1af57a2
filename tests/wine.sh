#!/bin/sh
# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows console program under Wine, in a prefix of its own that goes with it.
wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64
if [ ! -x "$wine" ]; then
    echo "SKIP: this Debian release has no Wine"
    exit 77
fi
WINEPREFIX=$(mktemp -d) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
trap '"$server" -k; "$server" -w; rm -rf "$WINEPREFIX"' EXIT
"$wine" "$@"
