#!/usr/bin/env bash
# Builds the release preset and runs the program against the simulated ECU, or against a real ECU
# when a serial device is named:
#   ./run.sh                 # qndiag-sim on a pseudo-terminal, the window connected to it
#   ./run.sh /dev/ttyUSB0    # the window on a real ECU (you need to be in the dialout group)
#   QN_CLI=1 ./run.sh        # the headless monitor instead of the window (10 s, QN_SECONDS)
# The window keeps its settings in the build tree (build/release/qndiag.ini), never in your
# Documents folder; the first run writes it with the simulator's port, the serial link and
# automatic connection. Without a display the headless monitor runs instead.
# Installs what it needs on a fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target qndiag qndiag-cli qndiag-sim qn_resources
bin="$PWD/build/release"
ini="$bin/qndiag.ini"

gui=1
if [ -n "${QN_CLI:-}" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  gui=0
  [ -n "${QN_CLI:-}" ] || echo "No display found: running the headless monitor instead of the window."
fi

# The settings of the build tree's copy: written only when missing, so that what you change in the
# window survives the next run.
demo_settings() {
  [ -f "$ini" ] && return
  printf '[SET]\nRun_App=0\n\n[CON]\nType=0\nPort=%s\nAuto=1\n' "$1" > "$ini"
}

if [ $# -ge 1 ]; then
  if [ "$gui" = 1 ]; then demo_settings "$1"; exec "$bin/qndiag"; fi
  exec "$bin/qndiag-cli" --port "$1" --seconds "${QN_SECONDS:-10}"
fi

work=$(mktemp -d)
sim=""
cleanup() { echo quit >&3 2>/dev/null || true; [ -n "$sim" ] && wait "$sim" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
# The simulator runs until told to quit; its standard input carries run-time commands.
mkfifo "$work/ctl"
ecu="$bin/demo-ecu"
"$bin/qndiag-sim" --link "$ecu" < "$work/ctl" > "$work/sim.out" &
sim=$!
exec 3> "$work/ctl"
for _ in $(seq 100); do
  grep -q '^pty ' "$work/sim.out" 2>/dev/null && break
  sleep 0.05
done
echo "simulated ECU on $(sed -n 's/^pty //p' "$work/sim.out") (linked as $ecu)"
if [ "$gui" = 1 ]; then
  demo_settings "$ecu"
  "$bin/qndiag"
else
  "$bin/qndiag-cli" --port "$ecu" --seconds "${QN_SECONDS:-10}"
fi
