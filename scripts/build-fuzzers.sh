#!/usr/bin/env bash
# Configures build/fuzz (clang, AddressSanitizer, UndefinedBehaviorSanitizer, libFuzzer; no tests)
# and builds every fuzz target of fuzz/, or the targets named as arguments. make test runs it so
# that code only clang rejects is caught by the ordinary test run; make fuzz runs it first.
#   JOBS   parallel jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
targets=("$@")
((${#targets[@]})) || targets=(fuzzers)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELLIT_FUZZ=ON -DQUELLIT_SANITIZE=ON -DQUELLIT_TESTS=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -include $PWD/fuzz/SourceLocationShim.h" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}"
