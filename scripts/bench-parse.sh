#!/usr/bin/env bash
# Times reading one typical definition file N times (default 3000): XMLConfiguration in one
# process (optimised build), next to `xmllint --valid --noout` doing the same number of
# validating parses in one process. Best of five rounds each, interleaved.
set -euo pipefail
cd "$(dirname "$0")/.."
iterations=${1:-3000}
definition=${2:-tests/fixtures/definition/full.xml}

cmake --preset bench >/dev/null
cmake --build --preset bench --target parse_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$definition" "$work/definition.xml"
cp library/definition/Velmora.dtd "$work/"

# xmllint parses each file named on its command line with a fresh parser context, as every
# XMLConfiguration does. (Its --repeat would reuse one context and its name dictionary.)
files=()
for ((i = 0; i < iterations; i++)); do files+=("$work/definition.xml"); done

# CPU time (user + system) of the whole process: on a shared machine it moves far less with the
# load of others than the wall clock does.
cpu_seconds() {
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
  awk '{ print $1 + $2 }' "$work/time"
}
xmllint_once() { cpu_seconds xmllint --valid --noout "${files[@]}"; }
ours_once() { cpu_seconds build/bench/bin/parse_bench "$work/definition.xml" "$iterations"; }

best_ours=999999
best_xmllint=999999
for round in 1 2 3 4 5; do
  o=$(ours_once)
  x=$(xmllint_once)
  best_ours=$(echo "if ($o < $best_ours) $o else $best_ours" | bc -l)
  best_xmllint=$(echo "if ($x < $best_xmllint) $x else $best_xmllint" | bc -l)
done

printf 'file: %s (%s bytes), %d reads per run, best of 5\n' "$definition" "$(wc -c < "$definition")" "$iterations"
printf 'XMLConfiguration:        %.3f s CPU  (%.1f us per read)\n' "$best_ours" "$(echo "$best_ours * 1000000 / $iterations" | bc -l)"
printf 'xmllint --valid --noout: %.3f s CPU  (%.1f us per parse)\n' "$best_xmllint" "$(echo "$best_xmllint * 1000000 / $iterations" | bc -l)"
printf 'ratio (ours / xmllint): %.2f\n' "$(echo "$best_ours / $best_xmllint" | bc -l)"
