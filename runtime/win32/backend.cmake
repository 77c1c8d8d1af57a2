# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Win32 backend's part of the build: Windows' own libraries and nothing else.
enable_language(RC)
# The C++ runtime linked in: the program imports only Windows' own libraries.
add_link_options(-static $<$<CONFIG:Release>:-s>)
# The linker stamps the program with this date instead of the time of the build.
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${RELEASE_EPOCH})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${RELEASE_EPOCH})
set(LEMZOR_PACKAGING ${PROJECT_SOURCE_DIR}/resources/windows-package.cmake)

# A program with windows and no console, its icon, version record and manifest in its resources.
function(lemzor_add_program name source)
    add_executable(${name} WIN32 ${source} ${PROJECT_BINARY_DIR}/resources/lemzor.rc)
    add_dependencies(${name} icons)
    install(TARGETS ${name} RUNTIME DESTINATION .)
endfunction()
