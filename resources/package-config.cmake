# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack: every date in the package is the changelog's, so two builds give the same bytes.
execute_process(COMMAND dpkg-parsechangelog -l ${CPACK_LEMZOR_CHANGELOG} -S Timestamp
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
# The source tarball holds the sources as they stand, not under the package's prefix.
if(CPACK_GENERATOR STREQUAL "TXZ")
    set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
