#!/usr/bin/env bash
# Installs every Debian 12 package Tessaly needs to build, run and test.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  clang  # the second compiler CI builds with
  qtbase5-dev qtbase5-dev-tools qttools5-dev-tools libqt5svg5-dev
  libqt5webkit5-dev libxcb1-dev libx11-dev libxtst-dev
  libqrencode-dev libpci-dev pci.ids libcpp-httplib-dev
  xvfb xauth x11-utils xdotool imagemagick librsvg2-bin zbar-tools
  dbus dbus-x11 curl
  zlib1g-dev    # the stand-in service's compressed answers
  # tessaly-service: its two stores, TLS and sign-in over HTTPS, its benchmark
  libsqlite3-dev libpqxx-dev libssl-dev postgresql wrk openssl
  tinyproxy     # the proxy the network tests send downloads through
  osslsigncode  # reads installers' Authenticode signatures; tests sign their own
  libssl-dev ca-certificates  # the signer read from the signature itself; the roots vendors chain to
  clang libclang-rt-14-dev  # fuzz targets (libFuzzer) and sanitizer runtimes
  python3  # scripts/generate-catalogue, scripts/update-catalogue and their tests
  g++-mingw-w64-i686-posix  # scripts/check-windows.sh
  fonts-wqy-microhei fonts-noto-cjk
  chromium
  wine64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 doctest-dev
  # scripts/build-qt-windows.sh (apt-get source, Qt's configure) and the Windows package.
  dpkg-dev perl xz-utils nsis
  icu-devtools  # scripts/trim-icu-data: ICU's data for the Windows package, cut down
  qttranslations5-l10n  # Qt's own Chinese texts, shipped with the Windows program
  python3  # the Windows program tests (tests/windows/programtests.py)
  # The product is a 32-bit Windows program: Wine runs it with its i386 loader.
  wine32:i386
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page tests run on Node.js with npm; the machine's own Node.js (which may
# come from outside Debian and carry npm inside) is kept when present.
if ! command -v npm >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends nodejs npm
fi
