# Run by CPack in the staged package: moves the program from usr/bin to usr/games.
set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr)
file(MAKE_DIRECTORY ${usr}/games)
file(RENAME ${usr}/bin/lemzor ${usr}/games/lemzor)
file(REMOVE_RECURSE ${usr}/bin)
