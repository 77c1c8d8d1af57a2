# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cmake --build --preset default --target package`; the source tarball:
# `--target package_source`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lemzor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "guess the colour the window turns next")
set(CPACK_PACKAGE_DESCRIPTION "Lemzor is a small game for one player. Press one of two buttons
to guess whether the window turns green or red next: the game draws the
colour at random and keeps the totals of right and wrong guesses.
It plays with the keyboard and with screen readers. The game's own texts
are in Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Directories as Debian wants them, whatever the umask of the one who builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Debian keeps games in /usr/games.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian-games.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-config.cmake)
set(CPACK_LEMZOR_CHANGELOG ${PROJECT_BINARY_DIR}/resources/changelog)

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME lemzor-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES /\\.git/ /build/ /build-[^/]*/)
include(CPack)
