# The two everyday commands:
#   make run   install what is missing, build, start Glifora
#   make test  install what is missing, build, run the whole test suite
JOBS ?= $(shell nproc)

# make install puts Glifora under PREFIX for the current user, no root
# needed, from a build of its own made for that place; make uninstall
# removes what it put there.
PREFIX ?= $(HOME)/.local
INSTALL_BUILD ?= build-install

.PHONY: all deps configure build run test test-asan test-windows bench install uninstall clean

all: build

deps:
	@sh deps/install.sh

configure: deps
	cmake --preset default

build: configure
	cmake --build --preset default -j $(JOBS)

run: build
	./build/app/glifora

test: build
	ctest --preset default -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The Qt-free code cross-built for Windows with mingw-w64, its tests run
# under Wine with a prefix of their own in the build tree and that prefix's
# server kept up for the run and stopped afterwards, whatever the outcome.
test-windows: deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)
	sh cmake/wine-session.sh build-windows/wineprefix ctest --preset windows -j $(JOBS)

bench: build
	@for b in build/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

install:
	@JOBS=$(JOBS) sh cmake/install.sh install "$(PREFIX)" "$(INSTALL_BUILD)"

uninstall:
	@sh cmake/install.sh uninstall "$(PREFIX)"

clean:
	rm -rf build build-asan build-windows build-install
