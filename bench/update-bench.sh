#!/usr/bin/env bash
# Times `quellit-setup --unattended` on a large payload against a shell baseline doing the same file
# work with cp and rm (backups first, then copies), and checks that many tiny files scale linearly.
#
#   bench/update-bench.sh [PROGRAM] [WORKDIR]
#
# PROGRAM defaults to build/bench/src/App/quellit-setup (make bench builds it), WORKDIR to
# build/update-bench. Sizes can be lowered for a quick look: BIG_MIB (256), SMALL_FILES (4000),
# SMALL_KIB (64), TINY_FEW (5000), TINY_MANY (50000).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROGRAM=$(realpath "${1:-$ROOT/build/bench/src/App/quellit-setup}")
WORK=$(realpath -m "${2:-$ROOT/build/update-bench}")
BIG_MIB=${BIG_MIB:-256}
SMALL_FILES=${SMALL_FILES:-4000}
SMALL_KIB=${SMALL_KIB:-64}
TINY_FEW=${TINY_FEW:-5000}
TINY_MANY=${TINY_MANY:-50000}
EXE_FIXTURE="$ROOT/tests/Lib/Common/fixtures/FileVersion/full.exe"
KEY='{00A00000-0001-458F-9B85-800000003201}_is1'

# A machine with the product installed, everything under $1.
make_machine() {
  local M=$1
  rm -rf "$M"
  mkdir -p "$M/AppData" "$M/CommonAppData" "$M/Documents/Корвел" "$M/Runtime" "$M/Desktop" \
           "$M/Product/Client" "$M/Program/QuellitSetupData/Client" "$M/Program/QuellitSetupData/Корвел"
  cp "$EXE_FIXTURE" "$M/Product/Client/KVeska.exe"
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s]\n"InstallLocation"="%s"\n' \
    "$KEY" "$M/Product" > "$M/registry.reg"
}

machine_env() {
  local M=$1
  echo "QUELLIT_REGISTRY=$M/registry.reg XDG_CONFIG_HOME=$M/AppData QUELLIT_COMMON_APPDATA=$M/CommonAppData" \
       "XDG_DOCUMENTS_DIR=$M/Documents XDG_RUNTIME_DIR=$M/Runtime XDG_DESKTOP_DIR=$M/Desktop LC_ALL=ru_RU.UTF-8"
}

# One big file and many small ones in the product payload; half of the small ones replace product files.
fill_large_payload() {
  local M=$1 P="$1/Program/QuellitSetupData/Корвел" D="$1/Documents/Корвел"
  head -c $((BIG_MIB * 1048576)) /dev/urandom > "$P/big.bin"
  mkdir -p "$P/small" "$D/small"
  head -c $((SMALL_KIB * 1024)) /dev/urandom > "$WORK/small.seed"
  for ((I = 0; I < SMALL_FILES; I++)); do
    cp "$WORK/small.seed" "$P/small/f$I.dat"
    if ((I % 2 == 0)); then cp "$WORK/small.seed" "$D/small/f$I.dat"; fi
  done
}

fill_tiny_payload() {
  local M=$1 COUNT=$2 P="$1/Program/QuellitSetupData/Корвел"
  for ((F = 0; F < COUNT / 1000; F++)); do
    mkdir -p "$P/d$F"
    for ((I = 0; I < 1000; I++)); do echo "$I" > "$P/d$F/t$I.txt"; done
  done
}

# Wall seconds and peak resident KiB of the wizard on machine $1.
run_wizard() {
  local M=$1
  env $(machine_env "$M") /usr/bin/time -f '%e %M' -o "$WORK/time.txt" \
    "$PROGRAM" --unattended --setup-dir "$M/Program" > "$WORK/wizard.log" 2> "$WORK/wizard.err"
  cat "$WORK/time.txt"
}

# The same file work by the shell: back up the files that will be replaced, then copy the payload.
run_baseline() {
  local M=$1 P="$1/Program/QuellitSetupData/Корвел" D="$1/Documents/Корвел"
  local B="$D/QuellitBackup/baseline"
  /usr/bin/time -f '%e %M' -o "$WORK/time.txt" bash -c '
    set -e
    cd "$2"
    find . -type f | while read -r F; do if [ -f "$1/$F" ]; then echo "$F"; fi; done > "$4/replaced.txt"
    cd "$1"
    mkdir -p "$3"
    xargs -a "$4/replaced.txt" -d "\n" cp --parents -t "$3"
    xargs -a "$4/replaced.txt" -d "\n" rm -f
    cp -r "$2/." "$1/"
  ' _ "$D" "$P" "$B" "$WORK"
  cat "$WORK/time.txt"
}

mkdir -p "$WORK"
echo "program: $PROGRAM"

make_machine "$WORK/wizard"
fill_large_payload "$WORK/wizard"
make_machine "$WORK/baseline"
fill_large_payload "$WORK/baseline"
sync
read -r WIZ_S WIZ_KB < <(run_wizard "$WORK/wizard")
read -r BASE_S BASE_KB < <(run_baseline "$WORK/baseline")
echo "payload ${BIG_MIB} MiB + ${SMALL_FILES} x ${SMALL_KIB} KiB: wizard ${WIZ_S} s (peak ${WIZ_KB} KiB), baseline ${BASE_S} s," \
     "ratio $(echo "scale=2; $WIZ_S / $BASE_S" | bc)"

make_machine "$WORK/few"
fill_tiny_payload "$WORK/few" "$TINY_FEW"
make_machine "$WORK/many"
fill_tiny_payload "$WORK/many" "$TINY_MANY"
read -r FEW_S FEW_KB < <(run_wizard "$WORK/few")
read -r MANY_S MANY_KB < <(run_wizard "$WORK/many")
echo "tiny files: ${TINY_FEW} in ${FEW_S} s, ${TINY_MANY} in ${MANY_S} s, ratio $(echo "scale=2; $MANY_S / $FEW_S" | bc)" \
     "(peak ${FEW_KB} / ${MANY_KB} KiB)"
