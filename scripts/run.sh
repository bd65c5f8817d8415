#!/usr/bin/env bash
# Sets up, builds, and starts the tool connected to the controller simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
echo "The main window arrives with a later change; the protocol core, its tests and dailycode are built."
