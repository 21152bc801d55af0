# Thin wrapper over CMake and CTest.
#   make run      install what is missing, build, start the viewer
#   make test     install what is missing, build, run every test
#   make bench    build and run the benchmarks
#   make install  install under PREFIX (default /usr/local)
#   make package  build a Debian package in $(BUILD)
BUILD ?= build
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench install package clean
PREFIX ?= /usr/local

all: build

deps:
	@tools/ensure_packages.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vendrask
	@tools/run_viewer.sh $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD)/bench/vendrask_bench

install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vendrask
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vendrask
	@cd $(BUILD) && cpack -G DEB

clean:
	@rm -rf $(BUILD)
