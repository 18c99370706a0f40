# The README's commands. Each installs what is missing first (needs root on Debian 12).
BUILD_TEST := build/test
JOBS ?= $(shell nproc)

.PHONY: all deps deps-windows build test windows test-windows demo demo-xvfb bench fuzz clean

all: build

deps:
	bash scripts/install-deps.sh

deps-windows:
	bash scripts/install-deps.sh windows

build: deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELLIT_TESTS=OFF
	cmake --build build/release -j $(JOBS)

test: deps
	cmake -S . -B $(BUILD_TEST) -DCMAKE_BUILD_TYPE=Debug -DQUELLIT_SANITIZE=ON
	cmake --build $(BUILD_TEST) -j $(JOBS)
	JOBS=$(JOBS) bash scripts/build-fuzzers.sh
	cd $(BUILD_TEST) && ctest --output-on-failure -j $(JOBS)

# The Windows executables (kvtool.exe, quellit-setup.exe), cross-compiled with MinGW-w64: the
# product's own 32-bit edition in build/win32, the 64-bit one in build/win64.
windows: deps-windows
	for a in i686:win32 x86_64:win64; do \
	  cmake -S . -B build/$${a#*:} -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-$${a%%:*}.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DQUELLIT_TESTS=OFF && \
	  cmake --build build/$${a#*:} -j $(JOBS) --target kvtool quellit-setup || exit 1; \
	done

# Every test program cross-built for Windows (Debug) and run under Wine, in build/test-win64; the
# i686 build in build/test-win32 (its tests run where 32-bit Wine is installed).
test-windows: deps-windows
	JOBS=$(JOBS) bash scripts/test-windows.sh

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
