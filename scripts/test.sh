#!/usr/bin/env bash
# Sets everything up and runs every test: the portable core natively (with AddressSanitizer and
# UndefinedBehaviorSanitizer), then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# The release build is what the setup program ships; the Windows tests install it once.
echo "== windows-release =="
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release

for preset in native-asan windows; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
