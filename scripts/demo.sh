#!/usr/bin/env bash
# Runs the update wizard on a sample machine kept entirely under build/demo: the registry, the
# special folders and the installed product all live there, so the real home folder and /etc stay
# untouched. Expects the release build (make build) to exist.
#   demo.sh        the window when a display is available ($DISPLAY or $WAYLAND_DISPLAY), else the
#                  unattended run in this terminal
#   demo.sh xvfb   the window on a virtual display (xvfb-run): it walks itself through every page
#                  and saves a picture of each in build/demo/screenshots
set -euo pipefail

MODE=${1:-auto}
if [[ $MODE == auto ]]; then
  if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then MODE=window; else MODE=unattended; fi
fi
case $MODE in
  window | unattended | xvfb) ;;
  *) echo "usage: demo.sh [xvfb]" >&2; exit 2 ;;
esac

ROOT=$(cd "$(dirname "$0")/.." && pwd)
# QUELLIT_SETUP_BIN runs another build of the program (a debug build, say).
SETUP=${QUELLIT_SETUP_BIN:-"$ROOT/build/release/src/App/quellit-setup"}
PE_FIXTURE="$ROOT/tests/Lib/Common/fixtures/FileVersion/full.exe"   # version 8.1.2.3
# QUELLIT_DEMO_DIR puts the sandbox elsewhere (two demos at once must not share one).
DEMO=${QUELLIT_DEMO_DIR:-"$ROOT/build/demo"}

[ -x "$SETUP" ] || { echo "demo: $SETUP is missing; run 'make build' first" >&2; exit 1; }

# A fresh sandbox each time: an old one would already hold the updated files and backups.
# The folder is wiped: only one under build/, a fresh one, or an earlier demo sandbox.
if [[ $DEMO != "$ROOT"/build/* && -e $DEMO && ! -f $DEMO/registry.reg ]]; then
  echo "demo: $DEMO is not a demo sandbox; refusing to remove it" >&2
  exit 1
fi
rm -rf "$DEMO"
mkdir -p "$DEMO"/{AppData,CommonAppData,Documents,Desktop,Runtime,Tmp,Product/Client,Program}
# A runtime folder is private to its user; the toolkit warns about any other mode.
chmod 0700 "$DEMO/Runtime"

# Where the product keeps its folders, as it forms them from the special folders.
CLIENT_DATA="$DEMO/CommonAppData/Orvant/Korvel 8/Client"
USER_PRODUCT="$DEMO/Documents/Корвел"
SETTINGS_FOLDER="$DEMO/AppData/Orvant/Korvel 8/Client/Settings"
LOG="$DEMO/setup.log"

source "$ROOT/scripts/demo-payload.sh"

# The product's uninstall entry, in the 32-bit view (under WOW6432Node).
cat >"$DEMO/registry.reg" <<EOF
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{00A00000-0001-458F-9B85-800000003201}_is1]
"InstallLocation"="$DEMO/Product"

EOF

# The installed product: its executable (the client lives in Client/ below the install location)
# and the files the payload replaces; then the update beside the program.
cp "$PE_FIXTURE" "$DEMO/Product/Client/KVeska.exe"
demo_product "$CLIENT_DATA" "$USER_PRODUCT"
demo_payload "$DEMO/Program"

echo "Sandbox ready in $DEMO; running the wizard ($MODE)."
echo

# Russian forms keep the backup stamp one folder name (the C locale's "/" date separator would
# nest folders).
SANDBOX_ENV=(
  QUELLIT_REGISTRY="$DEMO/registry.reg"
  XDG_DOCUMENTS_DIR="$DEMO/Documents"
  XDG_CONFIG_HOME="$DEMO/AppData"
  QUELLIT_COMMON_APPDATA="$DEMO/CommonAppData"
  XDG_DESKTOP_DIR="$DEMO/Desktop"
  XDG_RUNTIME_DIR="$DEMO/Runtime"
  TMPDIR="$DEMO/Tmp"
  LC_ALL=ru_RU.UTF-8
)
ARGS=(--setup-dir "$DEMO/Program" --log "$LOG")
SCREENSHOTS="$DEMO/screenshots"

set +e
case $MODE in
  unattended) env "${SANDBOX_ENV[@]}" "$SETUP" --unattended "${ARGS[@]}" ;;
  window) env "${SANDBOX_ENV[@]}" "$SETUP" "${ARGS[@]}" ;;
  xvfb)
    command -v xvfb-run >/dev/null || { echo "demo: xvfb-run is missing; run 'make demo-xvfb'" >&2; exit 1; }
    xvfb-run -a -s "-screen 0 1024x768x24" \
      env "${SANDBOX_ENV[@]}" QT_QPA_PLATFORM=xcb "$SETUP" "${ARGS[@]}" --tour "$SCREENSHOTS"
    ;;
esac
STATUS=$?
set -e
# The window ends with 0 unless it could not open; the unattended run tells how the update went.
MEANING=""
[[ $MODE == unattended ]] && MEANING=" (0 done, 1 error, 2 not installed, 3 client running, 4 cancelled, 5 some entries failed, 6 another update running)"

cat <<EOF

quellit-setup ended with status $STATUS$MEANING.
Where to look:
  product folders     $USER_PRODUCT/
                      $CLIENT_DATA/
  backups             $USER_PRODUCT/QuellitBackup/
                      $CLIENT_DATA/QuellitBackup/
  desktop shortcuts   $DEMO/Desktop/
  Connections.xml     $SETTINGS_FOLDER/Connections.xml
  CommonSetting.xml   $SETTINGS_FOLDER/CommonSetting.xml
  the log             $LOG
EOF
if [[ $MODE == xvfb ]]; then
  echo "  the window's pages  $SCREENSHOTS/"
  ls "$SCREENSHOTS" 2>/dev/null | sed 's/^/                      /'
fi
exit "$STATUS"
