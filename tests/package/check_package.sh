#!/usr/bin/env bash
# The Debian packages, built and checked by scripts/package.sh, taken apart
# and, in CI, the tool's installed for real:
#  - the tool's package holds no dailycode: the day's code has a package of
#    its own (scale-config-codes), with its manual page and documents;
#  - its files, their modes and owners; programs stripped, without a run
#    path, each answering from the unpacked tree; the same version in the
#    package, the change log, the AppStream release and `--version`;
#    dependencies found by shlibdeps;
#  - with CI=true (a disposable machine, run as root): installed with apt;
#    /usr/bin/scale-config --version and scale-cli --help; the installed
#    program run by an ordinary user (a user id of its own) against scale-sim
#    keeps its settings and result log in that user's configuration and
#    data directories and writes nothing under /usr; run by root, it does
#    not write under /usr either; the start-up time to the first live weight
#    over five starts (shown); removal leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/../.."

fail() { echo "FAIL: $*" >&2; exit 1; }

bash scripts/package.sh
deb=$(ls build/release/scale-config_*.deb)
codes=$(ls build/release/scale-config-codes_*.deb)
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
chmod 0755 "$work"  # the ordinary user below reaches its home in here
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# --- The package's contents -----------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"
id=$(basename "$(ls "$root"/usr/share/applications/*.desktop)" .desktop)
programs=(scale-config scale-sim)
[ -e "$root/usr/bin/scale-cli" ] && programs+=(scale-cli)

expected=$(
  for p in "${programs[@]}"; do echo "-rwxr-xr-x root/root ./usr/bin/$p"; done
  for f in "share/applications/$id.desktop" "share/doc/scale-config/changelog.gz" \
           "share/doc/scale-config/copyright" "share/icons/hicolor/scalable/apps/$id.svg" \
           "share/metainfo/$id.metainfo.xml" share/man/man1/{scale-config,scale-sim}.1.gz; do
    echo "-rw-r--r-- root/root ./usr/$f"
  done
)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}')
[ "$(sort <<<"$actual")" = "$(sort <<<"$expected")" ] ||
  fail "package files differ:"$'\n'"$(diff <(sort <<<"$expected") <(sort <<<"$actual"))"
bad_dirs=$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")')
[ -z "$bad_dirs" ] || fail "directories not 0755 root/root: $bad_dirs"

for p in "${programs[@]}"; do
  file=$root/usr/bin/$p
  readelf -S "$file" | grep -q '\.symtab' && fail "$p is not stripped"
  readelf -d "$file" | grep -Eq 'RPATH|RUNPATH' && fail "$p has a run path"
done
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/scale-config" --version)" = \
  "scale-config $version" ] || fail "scale-config --version from the package"
"$root/usr/bin/scale-sim" --help >/dev/null || fail "scale-sim --help"
if [ -e "$root/usr/bin/scale-cli" ]; then "$root/usr/bin/scale-cli" --help >/dev/null || fail "scale-cli --help"; fi

[ "$(zcat "$root/usr/share/doc/scale-config/changelog.gz" | head -n 1)" = \
  "scale-config ($version) unstable; urgency=medium" ] || fail "changelog's latest entry is not $version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "AppStream metadata has no release $version"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6printsupport6 libstdc++6; do
  [[ $depends == *"$lib "* || $depends == *"$lib," || $depends == *"$lib" ]] || fail "Depends lacks $lib: $depends"
done
echo "package contents: ok ($deb, $(stat -c %s "$deb") bytes)"

codes_root=$work/codes-root
dpkg-deb -x "$codes" "$codes_root"
expected=$(
  echo "-rwxr-xr-x root/root ./usr/bin/dailycode"
  for f in share/doc/scale-config-codes/{changelog.gz,copyright} share/man/man1/dailycode.1.gz; do
    echo "-rw-r--r-- root/root ./usr/$f"
  done
)
actual=$(dpkg-deb -c "$codes" | awk '$1 !~ /^d/ {print $1, $2, $6}')
[ "$(sort <<<"$actual")" = "$(sort <<<"$expected")" ] ||
  fail "codes package files differ:"$'\n'"$(diff <(sort <<<"$expected") <(sort <<<"$actual"))"
[ "$(dpkg-deb -f "$codes" Version)" = "$version" ] || fail "codes package version"
[[ $("$codes_root/usr/bin/dailycode" 2026-12-10) =~ ^[0-9A-Za-z]+$ ]] || fail "dailycode"
[[ $(dpkg-deb -f "$deb" Depends Recommends Suggests) != *scale-config-codes* ]] ||
  fail "the tool's package draws in the codes package"
echo "codes package contents: ok ($codes, $(stat -c %s "$codes") bytes)"

if [ "${CI:-}" != "true" ]; then
  echo "not installed: that happens in CI only (CI=true)"
  exit 0
fi

# --- Installed for real -----------------------------------------------------
[ "$(id -u)" -eq 0 ] || fail "CI installs the package and needs root"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
trap 'cleanup; dpkg -r scale-config >/dev/null 2>&1 || true' EXIT
[ "$(QT_QPA_PLATFORM=offscreen /usr/bin/scale-config --version)" = "scale-config $version" ] ||
  fail "installed scale-config --version"
if [ -e /usr/bin/scale-cli ]; then scale-cli --help >/dev/null || fail "installed scale-cli --help"; fi
desktop-file-validate "/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml" >/dev/null

# An ordinary user of their own, without an entry in the user database.
uid=61000
while getent passwd "$uid" >/dev/null; do uid=$((uid + 1)); done
home=$work/home
mkdir -p "$home/run"
chown -R "$uid:$uid" "$home"
chmod 0700 "$home" "$home/run"
as_user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen)
config=$home/.config/scale-config
data=$home/.local/share/scale-config
marker=$work/marker
touch "$marker"
# Files written from now on are newer than the marker once the file
# system's clock has moved past it.
until touch "$work/tick" && [ "$work/tick" -nt "$marker" ]; do :; done

# A simulator of the user's own (its pty is the user's) for every start:
# a program ended by a signal cannot release its exclusive hold on the pty,
# and scale-sim keeps the pty open itself, so only root could open it again.
start_sim() {
  coproc SIM { exec setpriv --reuid="$uid" --regid="$uid" --clear-groups /usr/bin/scale-sim --load 2.5 --log /dev/null; }
  sim=$SIM_PID
  pids+=("$sim")
  read -r -t 10 pty <&"${SIM[0]}" || fail "scale-sim did not start"
}
stop_sim() { kill "$sim"; wait "$sim" 2>/dev/null || true; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Starts the installed program as the user; sets tool and started.
start_tool() {
  started=$(now_ms)
  "${as_user[@]}" /usr/bin/scale-config "$@" >>"$work/program.out" 2>>"$work/program.err" &
  tool=$!
  pids+=("$tool")
}
stop_tool() { kill "$tool"; wait "$tool" 2>/dev/null || true; }
# Waits (30 s at most: a generous limit, reached only by a fault) until the
# file holds the text, looking every 2 ms; sets elapsed, the
# milliseconds since the start.
wait_for() {
  until grep -qF "$2" "$1" 2>/dev/null; do
    [ $(($(now_ms) - started)) -lt 30000 ] || fail "no \"$2\" in $1 within 30 s: $(cat "$work/program.err")"
    sleep 0.002
  done
  elapsed=$(($(now_ms) - started))
}

# First use, with the port given for this start: both directories are made
# for the user alone, the weight is logged, the port is not saved.
times=()
for _ in 1 2 3 4 5; do
  rm -rf "$data"
  start_sim
  start_tool --port "$pty"
  wait_for "$data/Result.txt" "实际值：2.5,"
  times+=("$elapsed")
  stop_tool
  stop_sim
done
for dir in "$config" "$data" "$home/.local"; do
  [ "$(stat -c '%a %u' "$dir")" = "700 $uid" ] || fail "$dir is not the user's alone: $(stat -c '%a %u' "$dir")"
done
[ ! -e "$config/datalink.ini" ] || fail "--port was saved in $config/datalink.ini"

# The remembered port: read from and written to the user's settings file.
start_sim
printf '[CommSet]\r\nCommNo=%s\r\n' "$pty" >"$config/datalink.ini"
chown "$uid:$uid" "$config/datalink.ini"
start_tool
wait_for "$config/datalink.ini" "BaudRate=115200"
wait_for "$data/Result.txt" "实际值：2.5,"
stop_tool
stop_sim
[ -z "$(find "$home" ! -user "$uid")" ] || fail "files in the user's home not the user's: $(find "$home" ! -user "$uid")"

# Root, too, leaves /usr alone: its files go to its own directories.
root_home=$work/root-home
mkdir -m 0700 "$root_home"
start_sim
started=$(now_ms)
env -i PATH=/usr/bin:/bin HOME="$root_home" XDG_RUNTIME_DIR="$root_home" LC_ALL=C.UTF-8 \
  QT_QPA_PLATFORM=offscreen /usr/bin/scale-config --port "$pty" >>"$work/program.out" 2>>"$work/program.err" &
tool=$!
pids+=("$tool")
wait_for "$root_home/.local/share/scale-config/Result.txt" "实际值：2.5,"
stop_tool
stop_sim

written=$(find /usr -newer "$marker" \( -type f -o -type l -o -type s \) 2>/dev/null || true)
[ -z "$written" ] || fail "written under /usr: $written"

sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(sed -n 3p <<<"$sorted")
# A figure to read, not a test: how fast a machine starts the program says
# nothing of the package (bench/measure_tool.sh measures it on purpose).
echo "start-up of the installed program to the first live weight (offscreen, ms): $(echo $sorted); median $median"

# Removal leaves nothing of the package behind.
dpkg -r scale-config >/dev/null
for p in "${programs[@]}"; do [ ! -e "/usr/bin/$p" ] || fail "/usr/bin/$p left after removal"; done
[ ! -e "/usr/share/applications/$id.desktop" ] || fail "menu entry left after removal"
echo "installed package: ok"
