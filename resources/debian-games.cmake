# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack in the staged package: moves the program from usr/bin to usr/games, unless it was
# configured to install there.
set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr)
if(EXISTS ${usr}/bin/lemzor)
    file(MAKE_DIRECTORY ${usr}/games)
    file(CHMOD ${usr}/games DIRECTORY_PERMISSIONS ${CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
    file(RENAME ${usr}/bin/lemzor ${usr}/games/lemzor)
    file(REMOVE_RECURSE ${usr}/bin)
endif()
