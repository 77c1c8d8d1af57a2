# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Read by CPack as it makes the Windows packages.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_LEMZOR_EPOCH})
