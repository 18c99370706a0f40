# The sample machine of `make demo` and of the end-to-end tests, sourced by both: the product's
# files before the update, and the update beside the program (payload and settings.ini).
#   demo_product CLIENT_DATA USER_PRODUCT   the product's common data and the user's product folder
#   demo_payload PROGRAM                    QuellitSetupData/ and settings.ini in the program folder
# The installed client (its executable, the uninstall entry) is the caller's part: where it goes
# differs between the Linux sandbox and a Wine prefix.
demo_files=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/demo-files

demo_write() {   # demo_write PATH TEXT: creates the parent folders too
  mkdir -p "$(dirname "$1")"
  printf '%s' "$2" >"$1"
}

demo_product() {
  local client_data=$1 user_product=$2
  demo_write "$client_data/Templates/Отчёт.xlt" "old report template"$'\n'
  demo_write "$client_data/onclient.ini" "[Client]"$'\n'"Version=8.1.2.3"$'\n'
  demo_write "$user_product/Docs/readme.txt" "The old readme, much longer than its replacement."$'\n'
  demo_write "$user_product/Нормативы/Сборник 2023.dat" "old base"$'\n'
  demo_write "$user_product/Мои документы/keep.txt" "a user's own file the update leaves alone"$'\n'
}

demo_payload() {
  local program=$1
  local payload=$program/QuellitSetupData
  # Client/ goes to the client's common data, Корвел/ to the user's product folder.
  demo_write "$payload/Client/Templates/Отчёт.xlt" "new report template"$'\n'
  # A name with quotes, as Russian writes them: a '"' cannot be part of a Windows file name.
  demo_write "$payload/Client/Templates/Смета «ГЭСН».xlt" "new estimate template"$'\n'
  demo_write "$payload/Client/onclient.ini" "[Client]"$'\n'"Version=8.2.0.0"$'\n'
  # A normative base for kvtool's base, report and base-item: the descriptor of Москва (2001
  # prices) and a "Data" item whose bytes hold a line feed and a CR LF pair. It was written by the
  # tests' BaseFileBuilder (WriteBaseFile with SampleBaseInfo).
  mkdir -p "$payload/Client/Data"
  cp "$demo_files/base.kvd8" "$payload/Client/Data/Москва.kvd8"
  demo_write "$payload/Корвел/Docs/readme.txt" "New readme."$'\n'
  demo_write "$payload/Корвел/Docs/Guide/Руководство пользователя.txt" "guide"$'\n'
  demo_write "$payload/Корвел/Нормативы/Сборник 2023.dat" "new base"$'\n'
  demo_write "$payload/Корвел/Нормативы/Сборник 2024.dat" "newer base"$'\n'
  demo_write "$payload/Корвел/Нормативы/linkname.txt" "Нормативные базы"$'\r\n'
  demo_write "$payload/Корвел/Архив/2022/old.dat" "archive"$'\n'
  demo_write "$payload/Корвел/top.txt" "top"$'\n'

  # Desktop links, connections (two folders and the site) and extensions merged into the
  # product's CommonSetting.xml.
  demo_write "$program/settings.ini" "[links]
1=Нормативы
2=Docs\\readme.txt
[connections]
1=Нормативы
2=Docs\\Guide
3=korvel.ru
[CommonSettings.XML]
ExternalFileExts=.pdf;.docx;.PDF
"
}
