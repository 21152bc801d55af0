# SPDX-License-Identifier: MIT
# Thin wrapper over CMake and CTest.
#   make run      install what building and starting the viewer needs, build it, start it
#   make test     install what the tests need, build everything, run every test
#   make bench    build and run the benchmarks
#   make install  install under PREFIX (default /usr/local)
#   make package  build the Debian package in $(PACKAGE_BUILD), reproducibly
#   make windows  cross-build the Windows zip in $(WINDOWS_BUILD), reproducibly
#   make web      build the web page in $(WEB_BUILD) with Emscripten, reproducibly
#   make web-serve  serve it on http://127.0.0.1:8417/
#   make web-test   run the page in Chromium, Firefox and WebKit against the desktop build
#   make dist     a release in dist/: source, package, Windows zip, web page, SHA256SUMS
#   make pictures remake the README's pictures in docs/: the desktop's window, the page at a desk and on a phone
BUILD ?= build
PACKAGE_BUILD ?= build-package
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
PREFIX ?= /usr/local
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
VIEWER_ONLY = -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF
EVERYTHING = -DVENDRASK_TESTS=ON -DVENDRASK_BENCHMARKS=ON

.PHONY: all build run test bench install package windows web web-serve web-test dist pictures clean

all: build

build:
	@tools/ensure_packages.sh test
	@$(CONFIGURE) $(EVERYTHING)
	@cmake --build $(BUILD) -j $(JOBS)

run:
	@tools/ensure_packages.sh run
	@$(CONFIGURE) $(VIEWER_ONLY)
	@cmake --build $(BUILD) -j $(JOBS) --target vendrask
	@tools/run_viewer.sh $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD)/bench/vendrask_bench

install:
	@tools/ensure_packages.sh run
	@$(CONFIGURE) $(VIEWER_ONLY)
	@cmake --build $(BUILD) -j $(JOBS)
	@cmake --install $(BUILD) --prefix $(PREFIX)

package:
	@tools/ensure_packages.sh package
	@tools/build_package.sh $(PACKAGE_BUILD)

windows:
	@tools/build_windows.sh $(WINDOWS_BUILD)

web:
	@tools/build_web.sh $(WEB_BUILD)

web-serve: web
	@python3 -m http.server --bind 127.0.0.1 --directory $(WEB_BUILD) 8417

web-test: web
	@tools/ensure_packages.sh browser
	@$(CONFIGURE) $(EVERYTHING) -DVENDRASK_WEB_PAGE=$(abspath $(WEB_BUILD))
	@cmake --build $(BUILD) -j $(JOBS) --target picture_test
	@ctest --test-dir $(BUILD) -L web --no-tests=error --output-on-failure

dist:
	@tools/make_dist.sh

pictures: web
	@tools/ensure_packages.sh browser
	@$(CONFIGURE) $(VIEWER_ONLY)
	@cmake --build $(BUILD) -j $(JOBS) --target vendrask
	@tools/screenshot.sh $(BUILD)/vendrask docs/screenshot.png >/dev/null
	@node tools/page_pictures.mjs $(WEB_BUILD) docs
	@echo "Remade docs/screenshot.png, docs/web.png and docs/web-phone.png"

clean:
	@rm -rf $(BUILD) $(PACKAGE_BUILD) $(WINDOWS_BUILD) $(WEB_BUILD) dist
