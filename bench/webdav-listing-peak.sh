#!/bin/bash
# Peak memory (maximum resident set) of one listing per process, for 10,000 and 100,000 entries,
# in each mode of WebDAVListingPeak. Usage: bench/webdav-listing-peak.sh build/bench/bench/WebDAVListingPeak
set -euo pipefail
program=${1:?usage: $0 PATH/TO/WebDAVListingPeak}
for entries in 10000 100000; do
  for mode in stream memory entries; do
    out=$( { /usr/bin/time -v "$program" "$entries" "$mode" >/dev/null; } 2>&1 )
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' <<<"$out")
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' <<<"$out")
    printf '%7d entries  %-8s peak %6.1f MiB  wall %s\n' "$entries" "$mode" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$wall"
  done
done
