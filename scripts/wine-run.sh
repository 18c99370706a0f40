#!/usr/bin/env bash
# Runs a Windows program of a cross build under Wine, as CTest's emulator: in the Wine prefix of the
# build folder (QUELLIT_WINEPREFIX, set by scripts/test-windows.sh), so the registry, the special
# folders and the drive the tests touch all live there, with a Russian locale as on the product's
# machines. Wine's own messages are silenced. Wine's Unix side gets a home folder inside the prefix,
# and no menu entries or desktop files are made for the shortcuts the programs save, so nothing
# outside the prefix changes.
set -euo pipefail
if [[ -z ${QUELLIT_WINEPREFIX:-} ]]; then
  echo "wine-run: QUELLIT_WINEPREFIX is not set (run the tests through scripts/test-windows.sh)" >&2
  exit 125
fi
export WINEPREFIX=$QUELLIT_WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
export HOME=$QUELLIT_WINEPREFIX/home
mkdir -p "$HOME"
if [[ -n ${QUELLIT_LOCPATH:-} ]]; then
  # Through env: bash itself would warn that it cannot switch to a locale it looks up without LOCPATH.
  exec env LOCPATH="$QUELLIT_LOCPATH" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 wine "$@"
fi
exec wine "$@"
