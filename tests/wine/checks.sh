# Sourced by the shell tests after wine-env.sh: counted checks and a bounded wait for a state.
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
# wait_state NAME STATE: up to 30 s for the service to reach the state sc.exe reports.
wait_state() {
  for _ in $(seq 1 60); do
    "$VELMORA_WINE" sc.exe query "$1" | grep -q "$2" && return 0
    sleep 0.5
  done
  return 1
}
# wait_gone NAME: up to 20 s for a removed service's key to go, which Wine may do late.
wait_gone() {
  for _ in $(seq 1 40); do
    "$VELMORA_WINE" reg.exe query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$1" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  return 1
}
# Ends the test: the counts, and its exit code.
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
