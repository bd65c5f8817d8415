#!/usr/bin/env bash
# Builds the Debian packages from the release preset and checks them: the
# menu entry with desktop-file-validate, the AppStream metadata with
# appstreamcli (file and installed tree), both packages with lintian (no
# errors allowed; warnings are shown). Prints the packages' paths and sizes.
#
# Install the tool with      sudo apt install ./build/release/scale-config_*.deb
# and, only where the day's calibration code is issued,
#                            sudo apt install ./build/release/scale-config-codes_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build/release
# Only the installed programs are built: the package does not wait for the
# tests and benchmarks of the release preset.
cmake --preset release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
targets=(scale-config scale-sim dailycode)
# grep reads the whole list (no -q): stopping early would end cmake with
# SIGPIPE, which pipefail takes for "no scale-cli".
if cmake --build --preset release --target help | grep '^scale-cli:' >/dev/null; then
  targets+=(scale-cli)
fi
cmake --build --preset release -j "$(nproc)" --target "${targets[@]}"
rm -f "$build"/scale-config_*.deb "$build"/scale-config-codes_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/scale-config_*.deb)
codes=$(ls "$build"/scale-config-codes_*.deb)

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
id=$(basename "$(ls "$tree"/usr/share/applications/*.desktop)" .desktop)
desktop-file-validate "$tree/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$id.metainfo.xml" >/dev/null
appstreamcli validate-tree --no-net "$tree" >/dev/null
# --allow-root: the test command runs as root.
for package in "$deb" "$codes"; do
  lintian --fail-on error --allow-root "$package" || {
    echo "lintian found errors in $package" >&2
    exit 1
  }
  echo "$package: $(stat -c %s "$package") bytes; installed size $(dpkg-deb -f "$package" Installed-Size) kB"
  echo "Depends: $(dpkg-deb -f "$package" Depends)"
done
