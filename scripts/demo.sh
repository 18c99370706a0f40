#!/usr/bin/env bash
# Runs the update wizard on a sample machine kept entirely under build/demo: the registry, the
# special folders and the installed product all live there, so the real home folder and /etc stay
# untouched. Expects the release build (make build) to exist.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
SETUP="$ROOT/build/release/src/App/quellit-setup"
PE_FIXTURE="$ROOT/tests/Lib/Common/fixtures/FileVersion/full.exe"   # version 8.1.2.3
DEMO="$ROOT/build/demo"

[ -x "$SETUP" ] || { echo "demo: $SETUP is missing; run 'make build' first" >&2; exit 1; }

# A fresh sandbox each time: an old one would already hold the updated files and backups.
rm -rf "$DEMO"
mkdir -p "$DEMO"/{AppData,CommonAppData,Documents,Desktop,Runtime,Tmp,Product/Client,Program}

# Where the product keeps its folders, as it forms them from the special folders.
CLIENT_DATA="$DEMO/CommonAppData/Orvant/Korvel 8/Client"
USER_PRODUCT="$DEMO/Documents/Корвел"
SETTINGS_FOLDER="$DEMO/AppData/Orvant/Korvel 8/Client/Settings"
PAYLOAD="$DEMO/Program/QuellitSetupData"
LOG="$DEMO/setup.log"

write() {   # write PATH TEXT: creates the parent folders too
  mkdir -p "$(dirname "$1")"
  printf '%s' "$2" >"$1"
}

# The product's uninstall entry, in the 32-bit view (under WOW6432Node).
cat >"$DEMO/registry.reg" <<EOF
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{00A00000-0001-458F-9B85-800000003201}_is1]
"InstallLocation"="$DEMO/Product"

EOF

# The installed product: its executable (the client lives in Client/ below the install location)
# and the files the payload replaces.
cp "$PE_FIXTURE" "$DEMO/Product/Client/KVeska.exe"
write "$CLIENT_DATA/Templates/Отчёт.xlt" "old report template"$'\n'
write "$CLIENT_DATA/onclient.ini" "[Client]"$'\n'"Version=8.1.2.3"$'\n'
write "$USER_PRODUCT/Docs/readme.txt" "The old readme, much longer than its replacement."$'\n'
write "$USER_PRODUCT/Нормативы/Сборник 2023.dat" "old base"$'\n'
write "$USER_PRODUCT/Мои документы/keep.txt" "a user's own file the update leaves alone"$'\n'

# The payload beside the program: Client/ goes to the client's common data, Корвел/ to the user's
# product folder.
write "$PAYLOAD/Client/Templates/Отчёт.xlt" "new report template"$'\n'
write "$PAYLOAD/Client/Templates/Смета \"ГЭСН\".xlt" "new estimate template"$'\n'
write "$PAYLOAD/Client/onclient.ini" "[Client]"$'\n'"Version=8.2.0.0"$'\n'
write "$PAYLOAD/Корвел/Docs/readme.txt" "New readme."$'\n'
write "$PAYLOAD/Корвел/Docs/Guide/Руководство пользователя.txt" "guide"$'\n'
write "$PAYLOAD/Корвел/Нормативы/Сборник 2023.dat" "new base"$'\n'
write "$PAYLOAD/Корвел/Нормативы/Сборник 2024.dat" "newer base"$'\n'
write "$PAYLOAD/Корвел/Нормативы/linkname.txt" "Нормативные базы"$'\r\n'
write "$PAYLOAD/Корвел/Архив/2022/old.dat" "archive"$'\n'
write "$PAYLOAD/Корвел/top.txt" "top"$'\n'

# Desktop links, connections (two folders and the site) and extensions merged into the
# product's CommonSetting.xml.
write "$DEMO/Program/settings.ini" "[links]
1=Нормативы
2=Docs\\readme.txt
[connections]
1=Нормативы
2=Docs\\Guide
3=korvel.ru
[CommonSettings.XML]
ExternalFileExts=.pdf;.docx;.PDF
"

echo "Sandbox ready in $DEMO; running the wizard."
echo

# The window program does not exist yet, so the wizard always runs unattended here. Russian forms
# keep the backup stamp one folder name (the C locale's "/" date separator would nest folders).
set +e
env QUELLIT_REGISTRY="$DEMO/registry.reg" \
    XDG_DOCUMENTS_DIR="$DEMO/Documents" \
    XDG_CONFIG_HOME="$DEMO/AppData" \
    QUELLIT_COMMON_APPDATA="$DEMO/CommonAppData" \
    XDG_DESKTOP_DIR="$DEMO/Desktop" \
    XDG_RUNTIME_DIR="$DEMO/Runtime" \
    TMPDIR="$DEMO/Tmp" \
    LC_ALL=ru_RU.UTF-8 \
    "$SETUP" --unattended --setup-dir "$DEMO/Program" --log "$LOG"
STATUS=$?
set -e

cat <<EOF

quellit-setup ended with status $STATUS (0 done, 1 error, 2 not installed, 3 client running, 4 cancelled).
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
exit "$STATUS"
