#!/usr/bin/env bash
# Builds the libFuzzer targets in build/fuzz (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time, starting from its seed corpus in fuzz/corpus/.
#   FUZZ_SECONDS  time per target (default 60)
#   arguments     the targets to run (default: all)
# New inputs the fuzzer finds go to build/fuzz/corpus/, findings to build/fuzz/artifacts/, so the
# source tree only changes when someone copies a useful input into fuzz/corpus/ by hand.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
targets=("$@")
((${#targets[@]})) || targets=(FilerValuesFuzz ContainerDirectoryFuzz BaseDescriptorFuzz RegistryTextFuzz
  PEVersionResourceFuzz IniFileFuzz OptionsReaderFuzz OptionsFileFuzz PropFindAnswerFuzz)

JOBS=$(nproc) bash scripts/build-fuzzers.sh "${targets[@]}"

# Targets that go through files write one per input: in memory, the runs cost no disk flushes.
if [[ -z ${TMPDIR:-} && -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm/; fi

for target in "${targets[@]}"; do
  seeds=fuzz/corpus/${target%Fuzz}
  work=$build/corpus/$target
  mkdir -p "$work" "$build/artifacts"
  echo "run-fuzzers: $target for ${seconds}s"
  "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$work" "$seeds"
done
