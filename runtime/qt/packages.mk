# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages that the Qt backend builds with.
QT_PACKAGES := qt6-base-dev libxcb1-dev libxcb-xkb-dev libdbus-1-dev
