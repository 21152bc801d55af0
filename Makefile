# Thin wrapper over CMake and CTest.
#   make run      install what is missing, build, start the viewer
#   make test     install what is missing, build, run every test
#   make bench    build and run the benchmarks
BUILD ?= build
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

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

clean:
	@rm -rf $(BUILD)
