#!/usr/bin/env bash
# Builds the release preset and runs the program. With no device named, it starts the simulated
# ECU on a pseudo-terminal and connects to it; name a serial device to talk to a real ECU:
#   ./run.sh                 # simulated ECU, 10 seconds of live values
#   ./run.sh /dev/ttyUSB0    # a real ECU (you need to be in the dialout group)
#   QN_SECONDS=60 ./run.sh   # run longer
# Installs what it needs on a fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target qndiag-cli qndiag-sim
bin=build/release
seconds="${QN_SECONDS:-10}"

if [ $# -ge 1 ]; then
  exec "$bin/qndiag-cli" --port "$1" --seconds "$seconds"
fi

work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
# The simulator keeps running until told to quit; its stdin stays open for run-time commands.
mkfifo "$work/ctl"
"$bin/qndiag-sim" --link "$work/ecu" < "$work/ctl" > "$work/sim.out" &
sim=$!
exec 3> "$work/ctl"
for _ in $(seq 100); do
  grep -q '^pty ' "$work/sim.out" 2>/dev/null && break
  sleep 0.05
done
echo "simulated ECU on $(head -n1 "$work/sim.out" | cut -d' ' -f2)"
"$bin/qndiag-cli" --port "$work/ecu" --seconds "$seconds"
