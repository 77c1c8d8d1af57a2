# make run: install what is missing, build, play.  make test: the same, then every test.

RUN_PACKAGES  := cmake make g++ qt6-base-dev
TEST_PACKAGES := $(RUN_PACKAGES) libx11-dev xvfb openbox xdotool imagemagick x11-utils \
                 dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0 \
                 desktop-file-utils appstream librsvg2-bin dpkg-dev lintian binutils-mingw-w64-x86-64 \
                 strace valgrind tesseract-ocr tesseract-ocr-rus

.PHONY: run test build package bench deps test-deps clean

run: deps build
	./build/window/lemzor

# Every test on the normal build, then the unit and window tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
test: test-deps build
	ctest --preset default
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

build:
	cmake --preset default
	cmake --build --preset default

package: deps build
	@./.ci/install-packages dpkg-dev
	cmake --build --preset default --target package

bench: test-deps build
	cmake --build --preset default --target bench
	bench/run.sh build

deps:
	@./.ci/install-packages $(RUN_PACKAGES)

test-deps:
	@./.ci/install-packages $(TEST_PACKAGES)

clean:
	rm -rf build build-asan
