# SPDX-License-Identifier: MIT
# Thin wrapper over CMake and CTest.
#   make run      install what building and starting the viewer needs, build it, start it
#   make test     install what the tests need, build everything, run every test
#   make bench    build and run the benchmarks
#   make install  install under PREFIX (default /usr/local)
#   make package  build the Debian package in $(PACKAGE_BUILD), reproducibly
#   make windows  cross-build the Windows zip in $(WINDOWS_BUILD), reproducibly
BUILD ?= build
PACKAGE_BUILD ?= build-package
WINDOWS_BUILD ?= build-windows
PREFIX ?= /usr/local
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
VIEWER_ONLY = -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF
EVERYTHING = -DVENDRASK_TESTS=ON -DVENDRASK_BENCHMARKS=ON

.PHONY: all build run test bench install package windows clean

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

clean:
	@rm -rf $(BUILD) $(PACKAGE_BUILD) $(WINDOWS_BUILD)
