#!/usr/bin/env bash
# Builds the Debian package from the release preset and checks it: the menu
# entry with desktop-file-validate, the AppStream metadata with appstreamcli
# (file and installed tree), the package with lintian (no errors allowed;
# warnings are shown). Prints the package's path and size.
#
# Install the package with   sudo apt install ./build/release/scale-config_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build/release
# Only the installed programs are built: the package does not wait for the
# tests and benchmarks of the release preset.
cmake --preset release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
targets=(scale-config scale-sim dailycode)
if cmake --build --preset release --target help | grep -q '^scale-cli:'; then
  targets+=(scale-cli)
fi
cmake --build --preset release -j "$(nproc)" --target "${targets[@]}"
rm -f "$build"/scale-config_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/scale-config_*.deb)

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
id=$(basename "$(ls "$tree"/usr/share/applications/*.desktop)" .desktop)
desktop-file-validate "$tree/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$id.metainfo.xml" >/dev/null
appstreamcli validate-tree --no-net "$tree" >/dev/null
# --allow-root: the test command runs as root.
lintian --fail-on error --allow-root "$deb" || {
  echo "lintian found errors in $deb" >&2
  exit 1
}

echo "$deb: $(stat -c %s "$deb") bytes; installed size $(dpkg-deb -f "$deb" Installed-Size) kB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
