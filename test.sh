#!/usr/bin/env bash
# Builds every target with the ci preset (Debug, AddressSanitizer + UndefinedBehaviorSanitizer,
# warnings as errors) and runs every test. Installs what it needs on a fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset ci -j "$(nproc)"
