# The Debian package: `cmake --build --preset default --target package`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lemzor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lemzor developers <lemzor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "угадайте, каким цветом станет окно")
set(CPACK_PACKAGE_DESCRIPTION "Лемзор (lemzor) — маленькая игра для одного игрока.
Нажмите «Зелёный» или «Красный», и окно окрасится в случайный
цвет; игра считает угаданные цвета и промахи.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian keeps games in /usr/games.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian-games.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-dates.cmake)
include(CPack)
