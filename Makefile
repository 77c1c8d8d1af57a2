# make run: install what is missing, build, play.  make test: the same, then every test.

RUN_PACKAGES  := cmake make g++ qt6-base-dev
TEST_PACKAGES := $(RUN_PACKAGES) xvfb openbox xdotool imagemagick x11-utils \
                 dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0

.PHONY: run test build deps test-deps clean

run: deps build
	./build/window/lemzor

test: test-deps build
	ctest --preset default

build:
	cmake --preset default
	cmake --build --preset default

deps:
	@./.ci/install-packages $(RUN_PACKAGES)

test-deps:
	@./.ci/install-packages $(TEST_PACKAGES)

clean:
	rm -rf build
