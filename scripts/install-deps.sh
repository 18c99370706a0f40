#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
# Safe to run again: with everything present it changes nothing and needs no network.
#   install-deps.sh        what building and testing need (make test also builds the fuzz targets)
#   install-deps.sh fuzz   the same (kept for the scripts that still ask for it)
#   install-deps.sh xvfb   that, plus a virtual X display for the window without a screen (make demo-xvfb)
#   install-deps.sh windows  the cross compilers for Windows, and Wine to run the Windows tests
#                          (64-bit Wine only: 32-bit Wine needs a foreign architecture, which this
#                          script never enables)
set -euo pipefail

packages=(
  build-essential cmake
  libicu-dev          # text services: case folding, collation, locale forms, code pages
  libxml2-dev         # XML documents (options files, WebDAV answers)
  libcurl4-openssl-dev  # HTTP client
  apache2             # the WebDAV server the integration tests start on loopback
  libgtest-dev libgmock-dev
  libbenchmark-dev    # make bench
  time                # make bench: wall time and peak memory of the wizard
  qt6-base-dev        # the wizard's window (Qt 6 Widgets, Qt Test)
  fonts-dejavu-core   # a face with Cyrillic glyphs for the window
  fonts-wine          # a Tahoma-compatible face (with Cyrillic), the window's font
  clang libclang-rt-14-dev  # the fuzz targets (libFuzzer), built by make test and run by make fuzz
  qt6-translations-l10n  # the toolkit's own texts (text panes' menus) in Russian
)
case ${1:-} in
  xvfb) packages+=(xvfb xauth) ;;
  windows)
    packages=(
      cmake make
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix  # the cross compilers (POSIX threads)
      wine wine64         # runs the x86_64 test programs
      libgtest-dev libgmock-dev  # GoogleTest's sources, cross-compiled into the build folder
      locales             # ru_RU's definition, compiled into the build folder for Wine
      apache2             # the WebDAV server of the integration tests, on the Linux side
    )
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
