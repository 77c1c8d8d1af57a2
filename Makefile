# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# make run: install what is missing, build, play.  make test: the same, then every test.
# make lint: clang-format and clang-tidy over our sources, both quiet or it fails.

# Each backend's folder names the packages it builds with.
include runtime/qt/packages.mk runtime/win32/packages.mk
RUN_PACKAGES  := cmake make g++ pkgconf $(QT_PACKAGES)
TEST_PACKAGES := $(RUN_PACKAGES) libx11-dev xvfb openbox xdotool imagemagick x11-utils \
                 dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0 \
                 desktop-file-utils appstream librsvg2-bin dpkg-dev lintian binutils-mingw-w64-x86-64 \
                 strace python3 wmctrl xsettingsd metacity mutter weston xwayland qt6-wayland qt6-gtk-platformtheme \
                 orca speech-dispatcher speech-dispatcher-espeak-ng \
                 $(WINDOWS_PACKAGES) wine wine64 tesseract-ocr tesseract-ocr-rus python3-pefile icoutils \
                 ibus xdg-desktop-portal fonts-dejavu-core libgtest-dev

.PHONY: run test test-debian13 test-forky lint build windows install uninstall package bench deps test-deps clean

# make install [PREFIX=/usr/local] [DESTDIR=...]; make uninstall removes what it installed.
PREFIX ?= /usr/local

run: deps build
	./build/window/lemzor

# Every test on the normal build and the Windows one, then the unit and window tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
test: test-deps build windows
	ctest --preset default
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# The same on a fresh clone of the last commit, in a Debian 13 root kept in /var/cache/lemzor.
test-debian13:
	.ci/release-root trixie

# And in a root of Debian testing, forky.
test-forky:
	.ci/release-root forky

# The Windows sources are checked against the Windows build, with mingw-w64's headers but clang's
# own built-in ones.
WINDOWS_SOURCES = $(shell git ls-files 'runtime/win32/*.cpp' tests/winprobe.cpp tests/hands_win32.cpp)
MINGW_INCLUDES = $(shell echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 | \
    sed -n '/^\#include </,/^End/s/^ //p' | grep -vE '/include(-fixed)?$$') /usr/x86_64-w64-mingw32/include

lint: deps build windows
	@./.ci/install-packages clang-format clang-tidy reuse
	reuse lint
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')
	run-clang-tidy -quiet -p build $$(git ls-files '*.cpp' | grep -vxF $(WINDOWS_SOURCES:%=-e %) | \
	    sed 's|^|$(CURDIR)/|') >build/clang-tidy.log 2>&1
	clang-tidy -quiet -p build-windows --extra-arg=--target=x86_64-w64-mingw32 \
	    $(MINGW_INCLUDES:%=--extra-arg=-isystem%) $(WINDOWS_SOURCES) >>build/clang-tidy.log 2>&1
	@! grep -E 'warning:|error:' build/clang-tidy.log

build:
	cmake --preset default
	cmake --build --preset default

# The Windows program, build-windows/window/lemzor.exe, with its zip and installer beside it. The
# native build lends it the tool that draws the icon files.
windows: deps build
	@./.ci/install-packages $(WINDOWS_PACKAGES)
	cmake --preset windows
	cmake --build --preset windows
	umask 022 && cmake --build --preset windows --target package >/dev/null

install: deps build
	cmake --install build --prefix $(PREFIX)

uninstall:
	sed 's|^|$(DESTDIR)|' build/install_manifest.txt | xargs -r -d '\n' rm -f --

# The Debian package and the source tarball, in build/. The package's members take their modes
# from the umask, which dpkg-buildpackage sets to 022 too.
package: deps build windows
	@./.ci/install-packages dpkg-dev
	umask 022 && cmake --build --preset default --target package package_source

bench: test-deps build
	@./.ci/install-packages libgtk-3-dev libfltk1.3-dev
	cmake --preset default
	cmake --build --preset default --target bench
	bench/run.sh build

deps:
	@./.ci/install-packages $(RUN_PACKAGES)

test-deps:
	@./.ci/install-packages $(TEST_PACKAGES)

clean:
	rm -rf build build-asan build-windows
