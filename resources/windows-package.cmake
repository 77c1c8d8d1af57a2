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
set(CPACK_PACKAGE_EXECUTABLES lemzor "Лемзор")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSES/GPL-3.0-or-later.txt)
set(CPACK_NSIS_DISPLAY_NAME "Лемзор")
set(CPACK_NSIS_PACKAGE_NAME "Лемзор")
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/resources/lemzor.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/resources/lemzor.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME lemzor.exe)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_URL_INFO_ABOUT ${HOMEPAGE})
set(CPACK_NSIS_CONTACT ${MAINTAINER})
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The same bytes from every build: the zip's entries dated by the release, none in the installer.
set(CPACK_LEMZOR_EPOCH ${RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-package-config.cmake)
set(CPACK_NSIS_DEFINES "SetDateSave off")

# CMake's installer script makes a 32-bit ANSI installer, which has no Russian letters and needs
# Windows' 32-bit layer: the same script, asking for a 64-bit Unicode one, is put first on the
# module path.
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in template)
string(ASCII 239 187 191 byteOrderMark)
string(REPLACE "${byteOrderMark}" "" template "${template}")
file(WRITE ${PROJECT_BINARY_DIR}/nsis/NSIS.template.in "${byteOrderMark}Target amd64-unicode\n${template}")
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_BINARY_DIR}/nsis)
include(CPack)
