#!/usr/bin/env bash
# Installs every Debian package the project needs that is not yet installed.
# Idempotent and quick when all is there. Needs root (or sudo) only when
# something is missing.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  # the formatting check (scripts/format.sh)
  clang-format
  # tests and benchmarks; QSerialPort only for the benchmark that compares
  # the serial component with it (nothing of the tool links it)
  libgtest-dev libgmock-dev googletest libbenchmark-dev qt6-serialport-dev
  # scale-cli: command line and JSON
  libcli11-dev nlohmann-json3-dev
  # locale sources, so the log tests can make a zh_CN.GBK locale
  locales
  # GUI
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqt6opengl6-dev
  # the window's translations: lupdate and lrelease, their CMake functions
  # (qt_add_translations), and Qt's own translations of its buttons
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # window tests, screenshots, Chinese text
  xvfb xauth x11-apps fonts-noto-cjk imagemagick
  # receipt printing through a real print path
  cups cups-bsd cups-client printer-driver-cups-pdf poppler-utils
  # the Windows build (mingw-w64, static runtime) and its tests under wine
  g++-mingw-w64-x86-64-posix wine wine64
  # the window icon (SVG), the package and its checks, screenshots
  libqt6svg6 dpkg-dev lintian desktop-file-utils appstream xdotool
  # calibration records (SHA-256, JSON), the trend chart, the CSV test's parser
  libssl-dev nlohmann-json3-dev qt6-charts-dev python3
  # the lab's records database: libpq, and the server its tests start
  libpq-dev postgresql
  # a real serial device server in front of scale-sim, for the network-port tests
  ser2net
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
