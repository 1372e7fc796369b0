#!/usr/bin/env bash
# Sets everything up and runs every test: the portable core natively (with AddressSanitizer and
# UndefinedBehaviorSanitizer), then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

for preset in native-asan windows; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
