#!/usr/bin/env bash
# What: live-data answers per second of qndiag-cli polling qndiag-sim over a pseudo-terminal with
# the simulator pacing its bytes at 9600 baud, and the CPU time qndiag-cli spends per answer.
# Input: the default simulated ECU (identity answer 42 bytes, live-data answer 69 bytes).
# Limit: the poll script alternates identity and live-data requests; each request goes out 60 ms
# after the previous answer and both frames take their wire time (10 bits a byte at 9600 baud),
# so one live-data answer per 2 x 60 ms + (5 + 42 + 5 + 69) x 10/9600 s.
# Targets: at least 0.97 of that limit; under 0.2 ms of CPU per live-data answer.
# Usage: bench/e2e_throughput.sh BUILD_DIR [SECONDS]
set -euo pipefail
bin="${1:?build folder}"
seconds="${2:-30}"
work=$(mktemp -d)
trap 'echo quit >&3 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkfifo "$work/ctl"
"$bin/qndiag-sim" ${QN_SIM_ARGS:-} < "$work/ctl" > "$work/sim.out" 2>/dev/null &
exec 3> "$work/ctl"
for _ in $(seq 100); do grep -q '^pty ' "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
pty=$(sed -n 's/^pty //p' "$work/sim.out")

"$bin/qndiag-cli" --port "$pty" --seconds "$seconds" --csv "$work/live.csv" > /dev/null &
cli=$!
# CPU time while polling, without the start-up: /proc/PID/schedstat gives nanoseconds on the CPU.
rows() { if [ -f "$work/live.csv" ]; then echo $(( $(wc -l < "$work/live.csv") - 1 )); else echo 0; fi; }
for _ in $(seq 200); do [ "$(rows)" -ge 3 ] && break; sleep 0.05; done
cpu0=$(cut -d' ' -f1 /proc/$cli/schedstat); rows0=$(rows)
sleep $((seconds - 3))
cpu1=$(cut -d' ' -f1 /proc/$cli/schedstat); rows1=$(rows)
wait $cli

total=$(rows)
first=$(sed -n 2p "$work/live.csv" | cut -d, -f1)
last=$(tail -n1 "$work/live.csv" | cut -d, -f1)
awk -v rows="$total" -v first="$first" -v last="$last" -v cpu="$((cpu1 - cpu0))" -v polled="$((rows1 - rows0))" 'BEGIN {
  cycle = 2 * 0.060 + (5 + 42 + 5 + 69) * 10 / 9600;
  limit = 1 / cycle;
  rate = (rows - 1) / ((last - first) / 1000);
  printf "live-data answers: %d in %.1f s\n", rows, (last - first) / 1000;
  printf "answers per second: %.3f  protocol limit: %.3f  ratio: %.3f (target >= 0.97)\n", rate, limit, rate / limit;
  printf "qndiag-cli CPU while polling: %.1f ms for %d live-data answers = %.3f ms per answer (target < 0.2 ms)\n", cpu / 1e6, polled, cpu / 1e6 / polled;
}'
