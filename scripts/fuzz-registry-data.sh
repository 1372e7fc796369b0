#!/usr/bin/env bash
# Builds the fuzzer of the reading of registry parameters and runs it for SECONDS (default 60)
# on one core. The corpus grows in build/fuzz/registry-corpus (seeded with a few Parameters
# keys); crashes land in build/fuzz/registry-artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target registry_data_fuzzer

corpus=build/fuzz/registry-corpus
artifacts=build/fuzz/registry-artifacts
mkdir -p "$corpus" "$artifacts"
# Seeds: a name index, a two-byte length and the data, repeated (see RegistryDataFuzzer.cpp).
printf '\x1c\x22\x00Tcpip\x00+NetworkProvider\x00Dnscache\x00\x00' >"$corpus/dependencies"
printf '\x1d\x2e\x00PATH=D:\\tools;D:\\bin\x00OPTS=-Dx=1\x00=X\x00EMPTY=\x00NO\x00\x00' >"$corpus/environment"
printf '\x16\x04\x00\x01\x00\x00\x00\x17\x04\x00\x14\x00\x00\x00\x0e\x1b\x00Velmora Service: Mail Relay' >"$corpus/monitoring"
printf '\x02\x0a\x00C:\\run.exe\x19\x04\x00\x01\x00\x00\x00' >"$corpus/program"

exec build/fuzz/bin/registry_data_fuzzer "$corpus" \
  -max_total_time="$seconds" -max_len=20000 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/"
