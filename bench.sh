#!/usr/bin/env bash
# Builds the release preset and runs every benchmark, printing the figures.
#   ./bench.sh            # decode micro-benchmark + 30 s end-to-end run
#   QN_BENCH_SECONDS=60 ./bench.sh
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
echo "== validate + decode one live-data answer (target < 2 us)"
build/release/bench/bench_decode --benchmark_min_time=1
echo "== qndiag-cli against qndiag-sim at 9600 baud"
bench/e2e_throughput.sh build/release "${QN_BENCH_SECONDS:-30}"
echo "== dashboard: build from the default layout and one refresh"
build/release/bench/bench_dashboard
echo "== qndiag window with the default dashboard: start-up and CPU while polling (targets < 1 % without, < 3 % with a dashboard)"
build/release/bench/bench_window "${QN_WINDOW_SECONDS:-60}"
