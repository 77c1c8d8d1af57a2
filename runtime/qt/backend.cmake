# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Qt backend's part of the build: Qt 6 Widgets and the libraries of an X11 and D-Bus desktop.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets)
qt_standard_project_setup()
# The program links only system libraries: no run path of its own once installed.
set(CMAKE_SKIP_INSTALL_RPATH ON)
# Hardening as Debian builds its packages.
add_compile_options(-fstack-protector-strong)
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_link_options(-Wl,-z,relro -Wl,-z,now)
set(LEMZOR_PACKAGING ${PROJECT_SOURCE_DIR}/resources/package.cmake)

function(lemzor_add_program name source)
    qt_add_executable(${name} ${source})
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The compiler's version notes are of no use in the installed program.
    install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${name}>\"
        COMMAND_ERROR_IS_FATAL ANY)")
endfunction()
