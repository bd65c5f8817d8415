#!/usr/bin/env bash
# The lab's records database under load: STATIONS stations (3), each a
# process writing RECORDS records (1000) to one PostgreSQL at once (a
# private server, tests/records/postgres_server.sh). Then every station's
# chain is verified (scale-cli records verify) and the certificate numbers
# are counted. Prints the wall time of the writing and records per second.
# Usage: bench/record_database.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
stations=${STATIONS:-3}
records=${RECORDS:-1000}
if [ ! -x "$build/src/cli/scale-cli" ] || [ ! -x "$build/bench/bench_record_database_writer" ]; then
  preset=$(basename "$build")
  cmake --preset "$preset" >/dev/null
  cmake --build "$build" -j 2 --target scale-cli bench_record_database_writer
fi
server=$(mktemp -d -u /tmp/scale-pg-bench.XXXXXX)
work=$(mktemp -d)
trap 'tests/records/postgres_server.sh stop "$server" || true; rm -rf "$server" "$work"' EXIT
tests/records/postgres_server.sh start "$server"
database="postgresql:///postgres?host=$server&user=scale"

start=$(date +%s.%N)
pids=()
for s in $(seq 1 "$stations"); do
  "$build/bench/bench_record_database_writer" "$database" "station-$s" "$work/station-$s.jsonl" "$records" &
  pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
end=$(date +%s.%N)

SCALE_RECORDS_DATABASE=$database XDG_DATA_HOME=$work/cli "$build/src/cli/scale-cli" records verify
counts=$(psql "$database" -tA -F ' ' -c \
  "SELECT count(*), count(DISTINCT certificate), count(DISTINCT station) FROM calibration_records")
read -r total distinct nstations <<<"$counts"
echo "records: $total, certificate numbers: $distinct distinct, stations: $nstations"
awk -v s="$start" -v e="$end" -v n="$total" \
  'BEGIN { t = e - s; printf "writing: %.2f s, %.0f records/s\n", t, n / t }'
expected=$((stations * records))
if [ "$failed" -ne 0 ] || [ "$total" -ne "$expected" ] || [ "$distinct" -ne "$expected" ]; then
  echo "FAILED: expected $expected records, all uploaded at once and numbered uniquely" >&2
  exit 1
fi
