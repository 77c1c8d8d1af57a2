# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows packages, from the Windows build: `cmake --build --preset windows --target package`
# makes a portable zip and an installer (NSIS) with a Start menu shortcut, an entry among the
# installed programs and an uninstaller.
include(${PROJECT_SOURCE_DIR}/resources/release.cmake)
# The licence and a short readme beside the program, with the line ends of Windows' own editors.
foreach(text LICENSES/GPL-3.0-or-later.txt:COPYING.txt resources/windows-readme.txt:README.txt)
    string(REPLACE ":" ";" text ${text})
    list(GET text 0 from)
    list(GET text 1 to)
    file(READ ${PROJECT_SOURCE_DIR}/${from} content)
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${PROJECT_BINARY_DIR}/${to} "${content}")
    install(FILES ${PROJECT_BINARY_DIR}/${to} DESTINATION .)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/LICENSES/GPL-3.0-or-later.txt ${PROJECT_SOURCE_DIR}/resources/windows-readme.txt)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Lemzor)
set(CPACK_PACKAGE_VENDOR "Lemzor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME lemzor-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Lemzor)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Lemzor)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_BINARY_DIR}/COPYING.txt)
set(CPACK_NSIS_DISPLAY_NAME "Лемзор")
set(CPACK_NSIS_PACKAGE_NAME "Лемзор")
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/resources/lemzor.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/resources/lemzor.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME lemzor.exe)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# The same bytes from every build: the zip's entries dated by the release (the installer keeps none).
set(CPACK_LEMZOR_EPOCH ${RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-package-config.cmake)

# Our own installer script in place of CMake's, which makes a 32-bit ANSI installer in English, with
# a folder of shortcuts in the Start menu and a licence to agree to.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
include(CPack)
