#!/usr/bin/env bash
# Makes a fresh Wine prefix at PREFIX for a test run and leaves its server running:
#   wine-prefix.sh PREFIX
# Everything the Windows programs touch stays inside PREFIX. A new prefix links the user's
# Desktop, Documents and other profile folders to the Unix home folder; the links are replaced by
# real folders, so a test that writes to the documents or the desktop never reaches the machine's
# own home. Wine's Unix side gets a home folder inside the prefix as well (scripts/wine-run.sh).
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
source_root=$(cd "$(dirname "$0")/.." && pwd)

case $prefix in
  /*) ;;
  *) prefix=$PWD/$prefix ;;
esac
# Only a prefix of a build folder, a new one or an earlier test prefix is ever wiped.
if [[ -e $prefix && ! -f $prefix/system.reg && ! -d $prefix/drive_c && -n $(ls -A "$prefix") ]]; then
  echo "wine-prefix: $prefix is not a Wine prefix; refusing to remove it" >&2
  exit 1
fi
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
export QUELLIT_WINEPREFIX=$prefix WINEPREFIX=$prefix WINEDEBUG=-all

# Keep the server alive between programs, and let the first program start the prefix's services
# here: started by a test, they would inherit CTest's output pipe and hold test discovery until its
# timeout.
wineserver -p </dev/null >/dev/null 2>&1
"$source_root/scripts/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1

for folder in "$prefix"/drive_c/users/*/*; do
  if [[ -L $folder ]]; then
    rm "$folder"
    mkdir "$folder"
  fi
done
