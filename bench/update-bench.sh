#!/usr/bin/env bash
# Times `quellit-setup --unattended` on a large payload against two shell baselines doing the same
# file work, and checks that many tiny files scale linearly:
#
#   cp baseline  backs up the files to be replaced with cp, removes them, copies the payload with cp;
#   mv baseline  moves the files to be replaced into the backup folder with mv, copies the payload.
#
#   bench/update-bench.sh [PROGRAM] [WORKDIR]
#
# PROGRAM defaults to build/bench/src/App/quellit-setup (make bench builds it), WORKDIR to
# build/update-bench. Every figure is the median of ROUNDS rounds (5); within a round the runs
# alternate (wizard first in odd rounds, last in even ones), and every run starts from a fresh
# product after `sync`, its payload in the page cache. Every run gets a machine folder of its own and
# nothing is deleted until the end: ext4 without a journal will not reuse an inode freed in the last
# minute, so right after a large delete every file creation scans past the freed inodes, which
# made half of a run's time depend on what the bench itself had just removed. The first run
# therefore starts a minute after a leftover work folder was removed, or anything else was. The files of earlier runs are cut to
# nothing before each run instead (their inodes stay): kept whole, they filled the page cache by
# about 1 GiB a run, and after a few runs every program took three to four times as long on a
# virtual machine, so the figures followed the run's place in the series more than its program.
# Sizes can be lowered for a quick look: BIG_MIB (256), SMALL_FILES (4000), SMALL_KIB (64),
# TINY_FEW (5000), TINY_MANY (50000).
#
# The baselines flush nothing. So that the price of the wizard's durability shows apart, each
# baseline run is followed by a `sync -f` of the product's file system, timed on its own: the
# "durable" figures are the baseline and that flush together. They are reported, not targets.
#
# Targets: the wizard at most 0.9 x the cp baseline and 1.1 x the mv baseline; peak resident memory
# below 40 MiB; 50,000 tiny files at most 12 x the time of 5,000. A missed target is reported, and
# the script then ends with status 1.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROGRAM=$(realpath "${1:-$ROOT/build/bench/src/App/quellit-setup}")
WORK=$(realpath -m "${2:-$ROOT/build/update-bench}")
BIG_MIB=${BIG_MIB:-256}
SMALL_FILES=${SMALL_FILES:-4000}
SMALL_KIB=${SMALL_KIB:-64}
TINY_FEW=${TINY_FEW:-5000}
TINY_MANY=${TINY_MANY:-50000}
ROUNDS=${ROUNDS:-5}
EXE_FIXTURE="$ROOT/tests/Lib/Common/fixtures/FileVersion/full.exe"
KEY='{00A00000-0001-458F-9B85-800000003201}_is1'

# The payloads never change, so each lives once in its own program folder ($WORK/program-*, given
# to the wizard with --setup-dir); each run gets a fresh machine with the product installed.
make_machine() {
  local M=$1
  rm -rf "$M"
  mkdir -p "$M/AppData" "$M/CommonAppData" "$M/Documents/Корвел" "$M/Runtime" "$M/Desktop" "$M/Product/Client"
  cp "$EXE_FIXTURE" "$M/Product/Client/KVeska.exe"
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s]\n"InstallLocation"="%s"\n' \
    "$KEY" "$M/Product" > "$M/registry.reg"
}

machine_env() {
  local M=$1
  echo "QUELLIT_REGISTRY=$M/registry.reg XDG_CONFIG_HOME=$M/AppData QUELLIT_COMMON_APPDATA=$M/CommonAppData" \
       "XDG_DOCUMENTS_DIR=$M/Documents XDG_RUNTIME_DIR=$M/Runtime XDG_DESKTOP_DIR=$M/Desktop LC_ALL=ru_RU.UTF-8"
}

payload_of() { echo "$WORK/program-$1/QuellitSetupData/Корвел"; }

# One big file and many small ones; half of the small ones replace product files ($WORK/product-large).
fill_large_payload() {
  local P
  P=$(payload_of large)
  mkdir -p "$P/small" "$WORK/program-large/QuellitSetupData/Client" "$WORK/product-large/small"
  head -c $((BIG_MIB * 1048576)) /dev/urandom > "$P/big.bin"
  head -c $((SMALL_KIB * 1024)) /dev/urandom > "$WORK/small.seed"
  for ((I = 0; I < SMALL_FILES; I++)); do
    cp "$WORK/small.seed" "$P/small/f$I.dat"
    if ((I % 2 == 0)); then cp "$WORK/small.seed" "$WORK/product-large/small/f$I.dat"; fi
  done
}

fill_tiny_payload() {
  local NAME=$1 COUNT=$2 P
  P=$(payload_of "$NAME")
  mkdir -p "$WORK/program-$NAME/QuellitSetupData/Client"
  for ((F = 0; F < COUNT / 1000; F++)); do
    mkdir -p "$P/d$F"
    for ((I = 0; I < 1000; I++)); do echo "$I" > "$P/d$F/t$I.txt"; done
  done
}

# Cuts the files of earlier runs to nothing: their memory is freed, their inodes stay.
release_earlier_machines() {
  if [[ -d $WORK/machines ]]; then find "$WORK/machines" -type f -size +0 -exec truncate -s 0 {} +; fi
}

# A fresh machine for one run in a new folder, its product folder holding a copy of $2 (when given);
# its path goes to MACHINE.
MACHINES=0
fresh_machine() {
  local PRODUCT=${1:-} M
  MACHINES=$((MACHINES + 1))
  M="$WORK/machines/$MACHINES"
  MACHINE=$M
  release_earlier_machines
  make_machine "$M"
  if [[ -n $PRODUCT ]]; then cp -r "$PRODUCT/." "$M/Documents/Корвел/"; fi
  sync
}

# Wall seconds and peak resident KiB of the wizard with payload $1 on machine $2.
run_wizard() {
  local NAME=$1 M=$2
  env $(machine_env "$M") /usr/bin/time -f '%e %M' -o "$WORK/time.txt" \
    "$PROGRAM" --unattended --setup-dir "$WORK/program-$NAME" > "$WORK/wizard.log" 2> "$WORK/wizard.err" || {
    echo "the wizard failed (status $?); see $WORK/wizard.err" >&2
    return 1
  }
  cat "$WORK/time.txt"
}

# Wall seconds of a `sync -f` of machine $1's file system, right after a baseline.
time_flush() {
  /usr/bin/time -f '%e' -o "$WORK/flush.txt" sync -f "$1/Documents/Корвел"
  cat "$WORK/flush.txt"
}

# The cp baseline on payload $1, machine $2: wall seconds, then those of the flush after it.
run_cp_baseline() {
  local P D="$2/Documents/Корвел"
  P=$(payload_of "$1")
  /usr/bin/time -f '%e' -o "$WORK/time.txt" bash -c '
    set -e
    P=$1 D=$2 B=$2/QuellitBackup/baseline
    cd "$P"
    find . -type f | while read -r F; do if [ -f "$D/$F" ]; then echo "$F"; fi; done > "$3/replaced.txt"
    cd "$D"
    mkdir -p "$B"
    xargs -a "$3/replaced.txt" -d "\n" -r cp --parents -t "$B"
    xargs -a "$3/replaced.txt" -d "\n" -r rm -f
    cp -r "$P/." "$D/"
  ' _ "$P" "$D" "$WORK"
  echo "$(cat "$WORK/time.txt") $(time_flush "$2")"
}

# The mv baseline: the replaced files are renamed into the backup folder, one mv per folder; its
# figures as the cp baseline's.
run_mv_baseline() {
  local P D="$2/Documents/Корвел"
  P=$(payload_of "$1")
  /usr/bin/time -f '%e' -o "$WORK/time.txt" bash -c '
    set -e
    P=$1 D=$2 B=$2/QuellitBackup/baseline
    cd "$P"
    find . -type f | while read -r F; do if [ -f "$D/$F" ]; then echo "$F"; fi; done > "$3/replaced.txt"
    cd "$D"
    CUR= FILES=()
    flush() {
      if ((${#FILES[@]})); then mkdir -p "$B/$CUR"; mv -t "$B/$CUR" -- "${FILES[@]}"; fi
      FILES=()
    }
    while IFS= read -r F; do
      if [[ ${F%/*} != "$CUR" ]]; then flush; CUR=${F%/*}; fi
      FILES+=("$F")
    done < <(sort "$3/replaced.txt")
    flush
    cp -r "$P/." "$D/"
  ' _ "$P" "$D" "$WORK"
  echo "$(cat "$WORK/time.txt") $(time_flush "$2")"
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# Runs too quick for time's 10 ms count as 10 ms, so a ratio never divides by zero.
ratio() { awk -v A="$1" -v B="$2" 'BEGIN {if (B <= 0) B = 0.01; printf "%.2f\n", A / B}'; }
mib() { awk -v K="$1" 'BEGIN {printf "%.1f\n", K / 1024}'; }

# Runs "$@" (one of the run_ functions) with its two figures into the variables S and KB (the
# flush's seconds for a baseline).
measure() {
  "$@" > "$WORK/figures.txt"
  read -r S KB < "$WORK/figures.txt"
}

FAILED=0
check() {  # check LABEL VALUE LIMIT
  if awk -v V="$2" -v L="$3" 'BEGIN {exit !(V <= L)}'; then echo "  ok      $1: $2 (at most $3)"; else
    echo "  MISSED  $1: $2 (at most $3)"
    FAILED=1
  fi
}

# Whatever was deleted just before (a leftover work folder, the cleanup of an earlier run of this
# bench, a test run's scratch folders) is given its minute before the first run.
rm -rf "$WORK"
sync
echo "waiting a minute for the file system to reuse the inodes of files deleted just before"
sleep 61
mkdir -p "$WORK"
echo "program: $PROGRAM"
echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name:[[:space:]]*//p'), rounds: $ROUNDS"

fill_large_payload
WIZ=() CP=() MV=() CPD=() MVD=() PEAK=() R_CP=() R_MV=() R_CPD=() R_MVD=()
sum() { awk -v A="$1" -v B="$2" 'BEGIN {printf "%.2f\n", A + B}'; }
for ((R = 1; R <= ROUNDS; R++)); do
  if ((R % 2)); then ORDER="wizard cp mv"; else ORDER="mv cp wizard"; fi
  for RUN in $ORDER; do
    fresh_machine "$WORK/product-large"
    case $RUN in
      wizard) measure run_wizard large "$MACHINE"; W=$S; WK=$KB; WIZ+=("$W"); PEAK+=("$KB") ;;
      cp) measure run_cp_baseline large "$MACHINE"; C=$S; CF=$KB; CP+=("$C"); CPD+=("$(sum "$C" "$CF")") ;;
      mv) measure run_mv_baseline large "$MACHINE"; V=$S; VF=$KB; MV+=("$V"); MVD+=("$(sum "$V" "$VF")") ;;
    esac
  done
  R_CP+=("$(ratio "$W" "$C")")
  R_MV+=("$(ratio "$W" "$V")")
  R_CPD+=("$(ratio "$W" "$(sum "$C" "$CF")")")
  R_MVD+=("$(ratio "$W" "$(sum "$V" "$VF")")")
  echo "round $R: wizard $W s (peak ${WK} KiB), cp baseline $C s (+ flush $CF s), mv baseline $V s (+ flush $VF s)"
done
PEAK_MIB=$(mib "$(printf '%s\n' "${PEAK[@]}" | sort -n | tail -1)")
echo "payload ${BIG_MIB} MiB + ${SMALL_FILES} x ${SMALL_KIB} KiB, half replacing product files (medians):"
echo "  wizard $(median "${WIZ[@]}") s, cp baseline $(median "${CP[@]}") s, mv baseline $(median "${MV[@]}") s"
echo "  durable: cp baseline + flush $(median "${CPD[@]}") s, mv baseline + flush $(median "${MVD[@]}") s;" \
     "wizard / those $(median "${R_CPD[@]}") and $(median "${R_MVD[@]}")"

fill_tiny_payload few "$TINY_FEW"
fill_tiny_payload many "$TINY_MANY"
FEW=() MANY=() R_TINY=() TINY_PEAK=()
for ((R = 1; R <= ROUNDS; R++)); do
  if ((R % 2)); then ORDER="few many"; else ORDER="many few"; fi
  for RUN in $ORDER; do
    fresh_machine
    measure run_wizard "$RUN" "$MACHINE"
    TINY_PEAK+=("$KB")
    if [[ $RUN == few ]]; then F=$S; FEW+=("$S"); else N=$S; MANY+=("$S"); fi
  done
  R_TINY+=("$(ratio "$N" "$F")")
  echo "round $R: ${TINY_FEW} tiny files $F s, ${TINY_MANY} tiny files $N s"
done
TINY_PEAK_MIB=$(mib "$(printf '%s\n' "${TINY_PEAK[@]}" | sort -n | tail -1)")
echo "tiny files (medians): ${TINY_FEW} in $(median "${FEW[@]}") s, ${TINY_MANY} in $(median "${MANY[@]}") s" \
     "(peak ${TINY_PEAK_MIB} MiB)"

echo "targets (median of the rounds' ratios):"
check "wizard / cp baseline" "$(median "${R_CP[@]}")" 0.9
check "wizard / mv baseline" "$(median "${R_MV[@]}")" 1.1
check "peak resident MiB, ${BIG_MIB} MiB file" "$PEAK_MIB" 40
check "${TINY_MANY} / ${TINY_FEW} tiny files" "$(median "${R_TINY[@]}")" 12
rm -rf "$WORK"
exit $FAILED
