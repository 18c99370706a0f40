# The README's commands. Each installs what is missing first (needs root on Debian 12).
BUILD_TEST := build/test
JOBS ?= $(shell nproc)

.PHONY: all deps build test demo demo-xvfb bench fuzz clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELLIT_TESTS=OFF
	cmake --build build/release -j $(JOBS)

test: deps
	cmake -S . -B $(BUILD_TEST) -DCMAKE_BUILD_TYPE=Debug -DQUELLIT_SANITIZE=ON
	cmake --build $(BUILD_TEST) -j $(JOBS)
	JOBS=$(JOBS) bash scripts/build-fuzzers.sh
	cd $(BUILD_TEST) && ctest --output-on-failure -j $(JOBS)

# The release build, then the wizard on a fresh sample sandbox in build/demo: its window when a
# display is available, else the unattended run.
demo: build
	bash scripts/demo.sh

# The window on a virtual display, walking itself through every page; the pictures of the pages
# are saved in build/demo/screenshots.
demo-xvfb: build
	bash scripts/install-deps.sh xvfb
	bash scripts/demo.sh xvfb

bench: deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQUELLIT_TESTS=OFF -DQUELLIT_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	for b in build/bench/bench/*Bench; do $$b; done
	bash bench/webdav-listing-peak.sh build/bench/bench/WebDAVListingPeak
	bash bench/update-bench.sh build/bench/src/App/quellit-setup

# Runs every fuzz target for FUZZ_SECONDS (default 60) in its own clang build, build/fuzz.
FUZZ_SECONDS ?= 60
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/run-fuzzers.sh

clean:
	rm -rf build
