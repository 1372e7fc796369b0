#!/usr/bin/env bash
# Builds the definition reader's fuzzer and runs it for SECONDS (default 60) on one core.
# The corpus grows in build/fuzz/corpus (seeded from the test fixtures and the recipes); crashes land in
# build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target definition_fuzzer

corpus=build/fuzz/corpus
artifacts=build/fuzz/artifacts
mkdir -p "$corpus" "$artifacts"
cp -n tests/fixtures/definition/*.xml examples/*.xml "$corpus"/

exec build/fuzz/bin/definition_fuzzer "$corpus" \
  -dict=fuzz/definition.dict -max_total_time="$seconds" -max_len=16384 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/"
